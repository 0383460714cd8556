// Resolution of an upload conflict: the client's record merged into the server's.

#include "model/RuleRejection.h"
#include "platform/Log.h"
#include "sync/SyncInternals.h"
#include "sync/SyncKeys.h"

namespace orvane {
namespace {

bool sameValues(const CloudRecord& server, const CloudRecord& client) {
    if (server.fields().size() != client.fields().size()) {
        return false;
    }
    for (const auto& [key, value] : server.fields()) {
        const RecordValue* other = client.object(key);
        if (other == nullptr || !(*other == value)) {
            return false;
        }
    }
    return true;
}

} // namespace

void SyncManager::mergeConflict(const CloudRecord& server, const CloudRecord& client, const CloudRecord& ancestor) {
    const std::string& name = server.recordID().recordName;
    log("Merging " + name);
    if (!client.recordChangeTag() && ancestor.fields().empty() && sameValues(server, client)) {
        localChanges_.forget(name);
        log("Local record is a full duplicate of server version, minus metadata");
        metadata_.storeMetadata(server);
        return;
    }
    CloudRecord merged = server;
    for (const auto& [key, value] : client.fields()) {
        const RecordValue* base = ancestor.object(key);
        if (base != nullptr && *base == value) {
            continue;
        }
        merged.set(key, value);
    }

    auto mergeFailed = [&] {
        localChanges_.forget(name);
        log("Merge failed: incorrect record " + describeRecord(merged));
        metadata_.storeMetadata(server);
    };
    std::vector<Package> packages;
    std::vector<std::pair<Rule, std::string>> rules;
    LocalAddKeys kind = LocalAddKeys::Rules;
    if (merged.recordType() == kPackageRecordType) {
        auto package = packageFromRecord(merged, {});
        if (!std::holds_alternative<Package>(package)) {
            mergeFailed();
            return;
        }
        packages.push_back(std::get<Package>(std::move(package)));
        kind = LocalAddKeys::Packages;
    } else if (merged.recordType() == kRuleRecordType) {
        auto rule = ruleFromRecord(merged);
        if (!std::holds_alternative<Rule>(rule)) {
            mergeFailed();
            return;
        }
        if (auto rejection = ruleRejection(std::get<Rule>(rule).blocker)) {
            log("Skipping a rule content blockers refuse: " + name + ": " + rejection->message);
            mergeFailed();
            return;
        }
        if (auto link = packageLink(merged)) {
            rules.emplace_back(std::get<Rule>(std::move(rule)), *link);
        }
    } else {
        log("Unknown record type " + merged.recordType());
        mergeFailed();
        return;
    }
    if (!DataManager::shared().applyRemoteChanges({}, packages, rules, nullptr)) {
        // The local change stays queued as it was, so the next batch meets the conflict again.
        log("Merge of " + name + " could not be saved");
        return;
    }
    localChanges_.setAdded(name, fieldsFromRecord(merged), kind);
    metadata_.storeMetadata(server);
}

} // namespace orvane
