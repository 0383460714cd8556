// Download of the zone's changes and their application to the catalog.

#include "cloud/ServerChangeToken.h"
#include "model/RuleRejection.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "sync/SyncInternals.h"
#include "sync/SyncKeys.h"
#include "sync/SyncStateEdit.h"

#include <set>

namespace orvane {

void SyncManager::fetchRemoteChanges(FetchCompletion completion) {
    // One fetch at a time: two would read the same token and apply the same changes twice.
    if (fetchInFlight_) {
        fetchRequested_ = true;
        if (completion) {
            waitingFetchCompletions_.push_back(std::move(completion));
        }
        return;
    }
    fetchInFlight_ = true;
    std::optional<ServerChangeToken> token;
    if (auto archived = defaults_.dataForKey(SyncKeys::ServerToken)) {
        token = ServerChangeToken::unarchive(*archived);
    }
    startFetchPass(token, std::move(completion));
}

void SyncManager::startFetchPass(const std::optional<ServerChangeToken>& token, FetchCompletion completion) {
    log("Fetching from remote changes...");
    auto operation = std::make_shared<FetchRecordZoneChangesOperation>(zone_.zoneID, token);
    // Filled by this operation's callbacks, which run one after another on one thread.
    auto changes = std::make_shared<FetchedChanges>();
    operation->recordChangedBlock = [changes](const CloudRecord& record) { changes->changedRecords.push_back(record); };
    operation->recordWithIDWasDeletedBlock = [changes](const RecordID& id, const std::string&) {
        changes->deletedNames.push_back(id.recordName);
    };
    operation->recordZoneFetchCompletionBlock =
        [weakSelf = weak_from_this(), changes, completion = std::move(completion)](
            const RecordZoneID&, const std::optional<ServerChangeToken>& newToken, const std::optional<Bytes>&,
            bool moreComing, const OptionalCloudError& error) {
            onMain(weakSelf, [changes, newToken, moreComing, error, completion](SyncManager& self) {
                self.fetchPassCompleted(std::move(*changes), newToken, moreComing, error, completion);
            });
        };
    container_->privateCloudDatabase()->addOperation(operation);
}

void SyncManager::fetchPassCompleted(FetchedChanges changes, const std::optional<ServerChangeToken>& token,
                                     bool moreComing, const std::optional<CloudError>& error,
                                     FetchCompletion completion) {
    if (error) {
        log(error->localizedDescription);
        fetchedSystemFields_.clear();
        fetchedDeletions_.clear();
        if (completion) {
            completion(false);
        }
        finishFetch();
        return;
    }
    recordPushes();
    const auto added = [this](LocalAddKeys kind) {
        std::set<std::string> names;
        for (auto& [name, fields] : localChanges_.added(kind)) {
            names.insert(name);
        }
        return names;
    };
    const std::set<std::string> pendingRules = added(LocalAddKeys::Rules);
    const std::set<std::string> pendingPackages = added(LocalAddKeys::Packages);
    std::vector<Package> packages;
    std::vector<std::pair<Rule, std::string>> rules;
    for (const auto& record : changes.changedRecords) {
        const std::string& name = record.recordID().recordName;
        if (pendingRules.contains(name) || pendingPackages.contains(name)) {
            continue;
        }
        fetchedSystemFields_[name] = encodeSystemFields(record);
        if (record.recordType() == kPackageRecordType) {
            auto package = packageFromRecord(record, {});
            if (auto* mapped = std::get_if<Package>(&package)) {
                packages.push_back(std::move(*mapped));
            } else {
                log("Skipping a record that does not map to a package: " + describeRecord(record));
            }
        } else if (record.recordType() == kRuleRecordType) {
            auto link = packageLink(record);
            if (!link) {
                log("Can't find package link in " + name + " rule");
                continue;
            }
            auto rule = ruleFromRecord(record);
            if (auto* mapped = std::get_if<Rule>(&rule)) {
                // One rule WebKit refuses would stop every rebuild until someone removed it.
                if (auto rejection = ruleRejection(mapped->blocker)) {
                    log("Skipping a rule content blockers refuse: " + name + ": " + rejection->message);
                    continue;
                }
                rules.emplace_back(std::move(*mapped), *link);
            } else {
                log("Skipping a record that does not map to a rule: " + describeRecord(record));
            }
        } else {
            log("Unknown record type " + record.recordType());
        }
    }
    for (const auto& name : changes.deletedNames) {
        fetchedSystemFields_.erase(name);
        fetchedDeletions_.push_back(name);
    }
    statistics_.recordsFetched += packages.size() + rules.size();
    statistics_.deletionsFetched += changes.deletedNames.size();
    const bool applied = resultsHandler_.applyFetchResults(std::move(changes.deletedNames), std::move(rules),
                                                           std::move(packages), moreComing, completion);
    if (moreComing) {
        log("more coming...");
        startFetchPass(token, std::move(completion));
        return;
    }
    // The change tags, the queue entries of deleted records and the token are written down in
    // one write, once what they describe is saved: after a failed save the next fetch starts
    // again from the last token whose changes reached the disk.
    defaults_.update([&](PropertyDictionary& domain) {
        SyncStateEdit edit(domain);
        for (auto& [name, fields] : fetchedSystemFields_) {
            edit.setMetadata(name, std::move(fields));
        }
        for (const auto& name : fetchedDeletions_) {
            edit.forget(name);
            edit.eraseMetadata(name);
        }
        if (applied && token) {
            domain.insert_or_assign(SyncKeys::ServerToken, token->archive());
        }
    });
    defaults_.synchronize();
    fetchedSystemFields_.clear();
    fetchedDeletions_.clear();
    log("Finished remote changes fetch");
    scheduleSync(1);
    finishFetch();
}

void SyncManager::finishFetch() {
    fetchInFlight_ = false;
    if (!fetchRequested_) {
        return;
    }
    fetchRequested_ = false;
    auto waiting = std::move(waitingFetchCompletions_);
    waitingFetchCompletions_.clear();
    FetchCompletion completion;
    if (!waiting.empty()) {
        completion = [waiting](bool saved) {
            for (const auto& each : waiting) {
                each(saved);
            }
        };
    }
    fetchRemoteChanges(std::move(completion));
}

} // namespace orvane
