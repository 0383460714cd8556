#include "sync/ResultsHandler.h"

namespace orvane {

void ResultsHandler::applyFetchResults(std::vector<std::string> deleted, std::vector<std::pair<Rule, std::string>> rules,
                                       std::vector<Package> packages, bool moreComing, SaveCompletion completion) {
    std::move(deleted.begin(), deleted.end(), std::back_inserter(deletedPending_));
    std::move(rules.begin(), rules.end(), std::back_inserter(rulesPending_));
    std::move(packages.begin(), packages.end(), std::back_inserter(packagesPending_));
    if (moreComing || (deletedPending_.empty() && rulesPending_.empty() && packagesPending_.empty())) {
        return;
    }
    DataManager& catalog = DataManager::shared();
    for (const auto& name : deletedPending_) {
        catalog.deleteItem(name);
    }
    for (const auto& package : packagesPending_) {
        catalog.mergeRemotePackage(package);
    }
    for (const auto& [rule, packageId] : rulesPending_) {
        catalog.mergeRemoteRule(rule, packageId);
    }
    deletedPending_.clear();
    rulesPending_.clear();
    packagesPending_.clear();
    catalog.saveEditablePackages(std::nullopt, std::move(completion));
}

} // namespace orvane
