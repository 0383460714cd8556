#pragma once

#include "cloud/CloudOperation.h"

#include <functional>
#include <optional>
#include <vector>

namespace orvane {

using OptionalCloudError = std::optional<CloudError>;

class ModifyRecordZonesOperation final : public CloudOperation {
public:
    explicit ModifyRecordZonesOperation(std::vector<RecordZone> recordZonesToSave)
        : recordZonesToSave(std::move(recordZonesToSave)) {}

    std::vector<RecordZone> recordZonesToSave;
    std::function<void(const std::vector<RecordZone>& savedRecordZones, const OptionalCloudError& error)>
        modifyRecordZonesCompletionBlock;

protected:
    std::optional<CloudError> perform(CloudDatabaseBackend& backend) override;
    void finish(const CloudError& error) override;
};

class ModifySubscriptionsOperation final : public CloudOperation {
public:
    explicit ModifySubscriptionsOperation(std::vector<RecordZoneSubscription> subscriptionsToSave)
        : subscriptionsToSave(std::move(subscriptionsToSave)) {}

    std::vector<RecordZoneSubscription> subscriptionsToSave;
    std::function<void(const std::vector<RecordZoneSubscription>& savedSubscriptions, const OptionalCloudError& error)>
        modifySubscriptionsCompletionBlock;

protected:
    std::optional<CloudError> perform(CloudDatabaseBackend& backend) override;
    void finish(const CloudError& error) override;
};

// Saves and deletes records atomically: on any failure nothing is written.
class ModifyRecordsOperation final : public CloudOperation {
public:
    ModifyRecordsOperation(std::vector<CloudRecord> recordsToSave, std::vector<RecordID> recordIDsToDelete)
        : recordsToSave(std::move(recordsToSave)), recordIDsToDelete(std::move(recordIDsToDelete)) {}

    std::vector<CloudRecord> recordsToSave;
    std::vector<RecordID> recordIDsToDelete;
    // The saved records are the server's versions, with their new change tags.
    std::function<void(const std::vector<CloudRecord>& savedRecords, const std::vector<RecordID>& deletedRecordIDs,
                       const OptionalCloudError& error)>
        modifyRecordsCompletionBlock;

protected:
    std::optional<CloudError> perform(CloudDatabaseBackend& backend) override;
    void finish(const CloudError& error) override;
};

// One page of a zone's changes after a token: the changed records, then the deleted ids, then
// the zone completion with the token to continue from and whether more is coming, then the
// operation's completion.
class FetchRecordZoneChangesOperation final : public CloudOperation {
public:
    FetchRecordZoneChangesOperation(RecordZoneID recordZoneID, std::optional<ServerChangeToken> previousServerChangeToken)
        : recordZoneID(std::move(recordZoneID)), previousServerChangeToken(std::move(previousServerChangeToken)) {}

    RecordZoneID recordZoneID;
    std::optional<ServerChangeToken> previousServerChangeToken;
    // Changes per page.
    std::size_t resultsLimit = kDefaultFetchPageSize;

    std::function<void(const CloudRecord& record)> recordChangedBlock;
    std::function<void(const RecordID& recordID, const std::string& recordType)> recordWithIDWasDeletedBlock;
    std::function<void(const RecordZoneID& zoneID, const std::optional<ServerChangeToken>& serverChangeToken,
                       const std::optional<Bytes>& clientChangeTokenData, bool moreComing,
                       const OptionalCloudError& error)>
        recordZoneFetchCompletionBlock;
    std::function<void(const OptionalCloudError& error)> fetchRecordZoneChangesCompletionBlock;

protected:
    std::optional<CloudError> perform(CloudDatabaseBackend& backend) override;
    void finish(const CloudError& error) override;
};

} // namespace orvane
