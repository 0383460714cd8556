#include "cloud/StoredCloudDatabase.h"

#include "cloud/RecordValidation.h"

#include <algorithm>
#include <map>
#include <set>

namespace orvane {
namespace {

using Failures = std::vector<CloudItemError>;

// Atomic requests: the failed items carry their own errors, every other item code 22.
CloudError partialFailure(const std::string& description, const std::vector<CloudItemID>& items, Failures failures) {
    CloudError error = CloudError::make(CloudErrorCode::partialFailure, description);
    for (const auto& item : items) {
        auto own = std::find_if(failures.begin(), failures.end(), [&](const CloudItemError& f) { return f.itemID == item; });
        if (own != failures.end()) {
            error.partialErrors.push_back(*own);
        } else {
            error.partialErrors.push_back({item, CloudError::make(CloudErrorCode::batchRequestFailed,
                                                                  "Atomic failure: another item of the request failed")});
        }
    }
    return error;
}

CloudError zoneNotFound(const std::string& zone) {
    return CloudError::make(CloudErrorCode::zoneNotFound, "Zone '" + zone + "' does not exist");
}

std::optional<CloudError> limitError(std::size_t count) {
    if (count <= kMaximumItemsPerRequest) {
        return std::nullopt;
    }
    return CloudError::make(CloudErrorCode::limitExceeded, "Limit exceeded: " + std::to_string(count) +
                                                               " items in one request, at most " +
                                                               std::to_string(kMaximumItemsPerRequest));
}

std::string changeTag(std::int64_t position) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string tag;
    auto value = static_cast<std::uint64_t>(position);
    do {
        tag.insert(tag.begin(), kDigits[value % 36]);
        value /= 36;
    } while (value != 0);
    return tag;
}

// The values a save leaves on the server: the base with the record's changed keys applied.
RecordFields applyChanges(RecordFields base, const CloudRecord& record) {
    CloudRecord merged = CloudRecord::stored(record.recordType(), record.recordID(), std::string(), std::move(base));
    for (const auto& key : record.changedKeys()) {
        const RecordValue* value = record.object(key);
        merged.set(key, value != nullptr ? std::optional<RecordValue>(*value) : std::nullopt);
    }
    return merged.fields();
}

CloudError conflict(const CloudRecord& server, const CloudRecord& client) {
    CloudError error = CloudError::make(
        CloudErrorCode::serverRecordChanged,
        client.recordChangeTag() ? "Server record changed: client oplock error updating record '" +
                                       client.recordID().recordName + "'"
                                 : "Server record changed: record to insert already exists: '" +
                                       client.recordID().recordName + "'");
    error.serverRecord = server;
    error.clientRecord = client;
    error.ancestorRecord = CloudRecord::decodeSystemFields(client.encodeSystemFields());
    return error;
}

std::optional<CloudError> duplicateItems(const std::vector<CloudRecord>& save, const std::vector<RecordID>& remove) {
    std::set<RecordID> seen;
    for (const auto& record : save) {
        if (!seen.insert(record.recordID()).second) {
            return CloudError::make(CloudErrorCode::invalidArguments,
                                    "Record '" + record.recordID().recordName + "' appears twice in one request");
        }
    }
    for (const auto& id : remove) {
        if (!seen.insert(id).second) {
            return CloudError::make(CloudErrorCode::invalidArguments,
                                    "Record '" + id.recordName + "' appears twice in one request");
        }
    }
    return std::nullopt;
}

std::vector<CloudItemID> itemsOf(const std::vector<CloudRecord>& save, const std::vector<RecordID>& remove) {
    std::vector<CloudItemID> items;
    for (const auto& record : save) {
        items.emplace_back(record.recordID());
    }
    for (const auto& id : remove) {
        items.emplace_back(id);
    }
    return items;
}

} // namespace

StoredCloudDatabase::StoredCloudDatabase(std::shared_ptr<CloudStorage> storage, std::string containerIdentifier,
                                         DatabaseScope scope)
    : storage_(std::move(storage)), containerIdentifier_(std::move(containerIdentifier)), scope_(scope) {}

ModifyRecordZonesResult StoredCloudDatabase::saveRecordZones(const std::vector<RecordZone>& zones) {
    if (auto error = limitError(zones.size())) {
        return {{}, error};
    }
    if (scope_ == DatabaseScope::publicScope) {
        return {{}, CloudError::make(CloudErrorCode::invalidArguments, "The public database has no custom zones")};
    }
    try {
        auto transaction = storage_->begin(true);
        Failures failures;
        std::set<std::string> named;
        for (const auto& zone : zones) {
            const std::string& name = zone.zoneID.zoneName;
            if (auto error = zoneNameError(name, true)) {
                failures.push_back({zone.zoneID, *error});
            } else if (!named.insert(name).second || transaction->lockZone(name)) {
                failures.push_back({zone.zoneID, CloudError::make(CloudErrorCode::serverRejectedRequest,
                                                                  "Zone '" + name + "' already exists")});
            } else {
                transaction->createZone(name);
            }
        }
        if (!failures.empty()) {
            std::vector<CloudItemID> items;
            for (const auto& zone : zones) {
                items.emplace_back(zone.zoneID);
            }
            return {{}, partialFailure("Failed to modify some record zones", items, std::move(failures))};
        }
        transaction->commit();
        return {zones, std::nullopt};
    } catch (const CloudStorageFailure& failure) {
        return {{}, failure.error()};
    }
}

ModifySubscriptionsResult StoredCloudDatabase::saveSubscriptions(const std::vector<RecordZoneSubscription>& subscriptions) {
    if (auto error = limitError(subscriptions.size())) {
        return {{}, error};
    }
    if (scope_ == DatabaseScope::publicScope) {
        return {{}, CloudError::make(CloudErrorCode::invalidArguments, "The public database has no zone subscriptions")};
    }
    try {
        auto transaction = storage_->begin(true);
        Failures failures;
        std::set<std::string> named;
        for (const auto& subscription : subscriptions) {
            const std::string& zone = subscription.zoneID.zoneName;
            const std::string& id = subscription.subscriptionID;
            if (id.empty() || !named.insert(id).second) {
                failures.push_back({id, CloudError::make(CloudErrorCode::invalidArguments,
                                                         "Invalid subscription id '" + id + "'")});
                continue;
            }
            if (!transaction->lockZone(zone) && zone != kDefaultZoneName) {
                failures.push_back({id, zoneNotFound(zone)});
                continue;
            }
            auto existing = transaction->subscriptionsOfZone(zone);
            if (transaction->subscriptionExists(id)) {
                existing.insert(existing.begin(), id);
            }
            if (!existing.empty()) {
                failures.push_back({id, CloudError::make(CloudErrorCode::serverRejectedRequest,
                                                         "subscription is duplicate of '" + existing.front() + "'")});
                continue;
            }
            transaction->createSubscription(subscription);
        }
        if (!failures.empty()) {
            std::vector<CloudItemID> items;
            for (const auto& subscription : subscriptions) {
                items.emplace_back(subscription.subscriptionID);
            }
            return {{}, partialFailure("Failed to modify some subscriptions", items, std::move(failures))};
        }
        transaction->commit();
        return {subscriptions, std::nullopt};
    } catch (const CloudStorageFailure& failure) {
        return {{}, failure.error()};
    }
}

ModifyRecordsResult StoredCloudDatabase::modifyRecords(const std::vector<CloudRecord>& recordsToSave,
                                                       const std::vector<RecordID>& recordIDsToDelete) {
    if (auto error = limitError(recordsToSave.size() + recordIDsToDelete.size())) {
        return {{}, {}, error};
    }
    if (auto error = duplicateItems(recordsToSave, recordIDsToDelete)) {
        return {{}, {}, error};
    }
    try {
        return scope_ == DatabaseScope::publicScope ? addPublicRecords(recordsToSave, recordIDsToDelete)
                                                    : modifyPrivateRecords(recordsToSave, recordIDsToDelete);
    } catch (const CloudStorageFailure& failure) {
        return {{}, {}, failure.error()};
    }
}

ModifyRecordsResult StoredCloudDatabase::modifyPrivateRecords(const std::vector<CloudRecord>& recordsToSave,
                                                              const std::vector<RecordID>& recordIDsToDelete) {
    auto transaction = storage_->begin(true);
    // Zones are locked in name order, so two writers never wait for each other in a circle.
    std::map<std::string, std::optional<std::int64_t>> zones;
    for (const auto& record : recordsToSave) {
        zones.emplace(record.recordID().zoneID.zoneName, std::nullopt);
    }
    for (const auto& id : recordIDsToDelete) {
        zones.emplace(id.zoneID.zoneName, std::nullopt);
    }
    for (auto& [name, position] : zones) {
        position = transaction->lockZone(name);
        if (!position && name == kDefaultZoneName) {
            transaction->createZone(name);
            position = transaction->lockZone(name);
        }
    }

    Failures failures;
    std::vector<const CloudRecord*> valid;
    std::vector<RecordID> validIds;
    for (const auto& record : recordsToSave) {
        const RecordID& id = record.recordID();
        if (auto error = recordError(record)) {
            failures.push_back({id, *error});
        } else if (!zones.at(id.zoneID.zoneName)) {
            failures.push_back({id, zoneNotFound(id.zoneID.zoneName)});
        } else {
            valid.push_back(&record);
            validIds.push_back(id);
        }
    }
    const auto stored = transaction->loadRecords(validIds);
    std::vector<StoredRecord> writes;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const CloudRecord& record = *valid[i];
        const RecordID& id = record.recordID();
        const auto& existing = stored[i];
        RecordFields base;
        if (existing && !existing->deleted) {
            // Saving over a live record needs its current tag; a record never saved has none.
            if (record.recordChangeTag() != existing->record.recordChangeTag()) {
                failures.push_back({id, conflict(existing->record, record)});
                continue;
            }
            if (existing->record.recordType() != record.recordType()) {
                failures.push_back({id, CloudError::make(CloudErrorCode::invalidArguments,
                                                         "Record '" + id.recordName + "' has another type on the server")});
                continue;
            }
            base = existing->record.fields();
        }
        writes.push_back({CloudRecord::stored(record.recordType(), id, std::string(), applyChanges(std::move(base), record)),
                          0, false});
    }
    std::vector<RecordID> deleted;
    for (const auto& id : recordIDsToDelete) {
        if (auto error = zoneNameError(id.zoneID.zoneName, id.zoneID.zoneName != kDefaultZoneName)) {
            failures.push_back({id, *error});
            continue;
        }
        if (!zones.at(id.zoneID.zoneName)) {
            failures.push_back({id, zoneNotFound(id.zoneID.zoneName)});
            continue;
        }
        deleted.push_back(id);
    }
    const auto removed = transaction->loadRecords(deleted);
    for (std::size_t i = 0; i < deleted.size(); ++i) {
        const auto& existing = removed[i];
        if (existing && !existing->deleted) {
            writes.push_back(
                {CloudRecord::stored(existing->record.recordType(), deleted[i], std::string(), {}), 0, true});
        }
    }
    if (!failures.empty()) {
        return {{}, {}, partialFailure("Failed to modify some records", itemsOf(recordsToSave, recordIDsToDelete),
                                       std::move(failures))};
    }

    std::vector<CloudRecord> saved;
    std::set<std::string> changedZones;
    for (auto& write : writes) {
        const std::string& zone = write.record.recordID().zoneID.zoneName;
        std::int64_t& position = *zones.at(zone);
        write.position = ++position;
        write.record = CloudRecord::stored(write.record.recordType(), write.record.recordID(), changeTag(position),
                                           write.record.fields());
        changedZones.insert(zone);
        if (!write.deleted) {
            saved.push_back(write.record);
        }
    }
    transaction->putRecords(writes);
    for (const auto& zone : changedZones) {
        transaction->setZonePosition(zone, *zones.at(zone));
        for (const auto& subscription : transaction->subscriptionsOfZone(zone)) {
            transaction->announce({containerIdentifier_, scope_, RecordZoneID{zone}, subscription});
        }
    }
    transaction->commit();
    return {std::move(saved), std::move(deleted), std::nullopt};
}

ModifyRecordsResult StoredCloudDatabase::addPublicRecords(const std::vector<CloudRecord>& recordsToSave,
                                                          const std::vector<RecordID>& recordIDsToDelete) {
    auto transaction = storage_->begin(true);
    Failures failures;
    std::vector<CloudRecord> saved;
    for (const auto& record : recordsToSave) {
        const RecordID& id = record.recordID();
        if (auto error = recordError(record)) {
            failures.push_back({id, *error});
        } else if (id.zoneID.zoneName != kDefaultZoneName) {
            failures.push_back({id, zoneNotFound(id.zoneID.zoneName)});
        } else if (record.recordChangeTag()) {
            failures.push_back({id, CloudError::make(CloudErrorCode::permissionFailure,
                                                     "Records of the public database cannot be changed")});
        } else {
            CloudRecord stored = CloudRecord::stored(record.recordType(), id, changeTag(1), applyChanges({}, record));
            if (transaction->addPublicRecord(stored)) {
                saved.push_back(std::move(stored));
            } else {
                failures.push_back({id, CloudError::make(CloudErrorCode::permissionFailure,
                                                         "Record '" + id.recordName + "' is already taken")});
            }
        }
    }
    for (const auto& id : recordIDsToDelete) {
        failures.push_back({id, CloudError::make(CloudErrorCode::permissionFailure,
                                                 "Records of the public database cannot be deleted")});
    }
    if (!failures.empty()) {
        return {{}, {}, partialFailure("Failed to modify some records", itemsOf(recordsToSave, recordIDsToDelete),
                                       std::move(failures))};
    }
    transaction->commit();
    return {std::move(saved), {}, std::nullopt};
}

ZoneChangesResult StoredCloudDatabase::fetchZoneChanges(const RecordZoneID& zone,
                                                        const std::optional<ServerChangeToken>& token,
                                                        std::size_t resultsLimit) {
    ZoneChangesResult result;
    if (scope_ == DatabaseScope::publicScope) {
        result.error = CloudError::make(CloudErrorCode::permissionFailure, "The public database cannot be read");
        return result;
    }
    const std::size_t limit = resultsLimit == 0 ? kDefaultFetchPageSize : resultsLimit;
    try {
        auto transaction = storage_->begin(false);
        auto current = transaction->zonePosition(zone.zoneName);
        if (!current && zone.zoneName != kDefaultZoneName) {
            result.error = zoneNotFound(zone.zoneName);
            return result;
        }
        const std::int64_t upTo = current.value_or(0);
        // A token from beyond the zone's history (a server that was reset) starts over.
        std::int64_t after = token ? token->position() : 0;
        if (after > upTo) {
            after = 0;
        }
        auto changes = transaction->changes(zone.zoneName, after, upTo, limit + 1);
        result.moreComing = changes.size() > limit;
        if (result.moreComing) {
            changes.erase(changes.begin() + static_cast<std::ptrdiff_t>(limit), changes.end());
        }
        for (auto& change : changes) {
            if (change.deleted) {
                result.deletedRecords.push_back({change.record.recordID(), change.record.recordType()});
            } else {
                result.changedRecords.push_back(std::move(change.record));
            }
        }
        result.serverChangeToken = ServerChangeToken(result.moreComing ? changes.back().position : upTo);
    } catch (const CloudStorageFailure& failure) {
        result.error = failure.error();
    }
    return result;
}

} // namespace orvane
