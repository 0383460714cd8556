#pragma once

#include "catalog/DataManager.h"
#include "model/Records.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orvane {

// Told when a fetch is over: true when its changes were saved and the content blocker reloaded.
using FetchCompletion = std::function<void(bool reloaded)>;

// Collects the changes of a fetch over its "more coming" passes and applies them to the catalog
// in one step, with one save, once the server has nothing more. Main thread only.
class ResultsHandler {
public:
    // Answers false when the changes of the last pass could not be saved; they are then
    // forgotten here, and the fetch is to be made again from its first token.
    bool applyFetchResults(std::vector<std::string> deleted, std::vector<std::pair<Rule, std::string>> rules,
                           std::vector<Package> packages, bool moreComing, FetchCompletion completion);

private:
    std::vector<std::string> deletedPending_;
    std::vector<std::pair<Rule, std::string>> rulesPending_;
    std::vector<Package> packagesPending_;
};

} // namespace orvane
