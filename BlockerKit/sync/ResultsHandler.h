#pragma once

#include "catalog/DataManager.h"
#include "model/Records.h"

#include <string>
#include <utility>
#include <vector>

namespace orvane {

// Collects the changes of a fetch over its "more coming" passes and applies them to the catalog
// in one step, with one save, once the server has nothing more. Main thread only.
class ResultsHandler {
public:
    void applyFetchResults(std::vector<std::string> deleted, std::vector<std::pair<Rule, std::string>> rules,
                           std::vector<Package> packages, bool moreComing, SaveCompletion completion);

private:
    std::vector<std::string> deletedPending_;
    std::vector<std::pair<Rule, std::string>> rulesPending_;
    std::vector<Package> packagesPending_;
};

} // namespace orvane
