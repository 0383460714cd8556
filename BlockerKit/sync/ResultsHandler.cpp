#include "sync/ResultsHandler.h"

namespace orvane {

bool ResultsHandler::applyFetchResults(std::vector<std::string> deleted, std::vector<std::pair<Rule, std::string>> rules,
                                       std::vector<Package> packages, bool moreComing, FetchCompletion completion) {
    std::move(deleted.begin(), deleted.end(), std::back_inserter(deletedPending_));
    std::move(rules.begin(), rules.end(), std::back_inserter(rulesPending_));
    std::move(packages.begin(), packages.end(), std::back_inserter(packagesPending_));
    if (moreComing || (deletedPending_.empty() && rulesPending_.empty() && packagesPending_.empty())) {
        return true;
    }
    SaveCompletion saved;
    if (completion) {
        saved = [completion = std::move(completion)](const ReloadOutcome& outcome) { completion(outcome.isReloaded()); };
    }
    auto applied = DataManager::shared().applyRemoteChanges(deletedPending_, packagesPending_, rulesPending_,
                                                            std::move(saved));
    deletedPending_.clear();
    rulesPending_.clear();
    packagesPending_.clear();
    return applied.ok();
}

} // namespace orvane
