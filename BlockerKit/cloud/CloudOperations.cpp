#include "cloud/CloudOperations.h"

namespace orvane {

std::optional<CloudError> ModifyRecordZonesOperation::perform(CloudDatabaseBackend& backend) {
    auto result = backend.saveRecordZones(recordZonesToSave);
    if (modifyRecordZonesCompletionBlock) {
        modifyRecordZonesCompletionBlock(result.savedRecordZones, result.error);
    }
    return result.error;
}

void ModifyRecordZonesOperation::finish(const CloudError& error) {
    if (modifyRecordZonesCompletionBlock) {
        modifyRecordZonesCompletionBlock({}, error);
    }
}

std::optional<CloudError> ModifySubscriptionsOperation::perform(CloudDatabaseBackend& backend) {
    auto result = backend.saveSubscriptions(subscriptionsToSave);
    if (modifySubscriptionsCompletionBlock) {
        modifySubscriptionsCompletionBlock(result.savedSubscriptions, result.error);
    }
    return result.error;
}

void ModifySubscriptionsOperation::finish(const CloudError& error) {
    if (modifySubscriptionsCompletionBlock) {
        modifySubscriptionsCompletionBlock({}, error);
    }
}

std::optional<CloudError> ModifyRecordsOperation::perform(CloudDatabaseBackend& backend) {
    auto result = backend.modifyRecords(recordsToSave, recordIDsToDelete);
    if (modifyRecordsCompletionBlock) {
        modifyRecordsCompletionBlock(result.savedRecords, result.deletedRecordIDs, result.error);
    }
    return result.error;
}

void ModifyRecordsOperation::finish(const CloudError& error) {
    if (modifyRecordsCompletionBlock) {
        modifyRecordsCompletionBlock({}, {}, error);
    }
}

std::optional<CloudError> FetchRecordZoneChangesOperation::perform(CloudDatabaseBackend& backend) {
    auto result = backend.fetchZoneChanges(recordZoneID, previousServerChangeToken, resultsLimit);
    for (const auto& record : result.changedRecords) {
        if (recordChangedBlock) {
            recordChangedBlock(record);
        }
    }
    for (const auto& deleted : result.deletedRecords) {
        if (recordWithIDWasDeletedBlock) {
            recordWithIDWasDeletedBlock(deleted.recordID, deleted.recordType);
        }
    }
    if (recordZoneFetchCompletionBlock) {
        recordZoneFetchCompletionBlock(recordZoneID, result.serverChangeToken, std::nullopt, result.moreComing,
                                       result.error);
    }
    if (fetchRecordZoneChangesCompletionBlock) {
        fetchRecordZoneChangesCompletionBlock(result.error);
    }
    return result.error;
}

void FetchRecordZoneChangesOperation::finish(const CloudError& error) {
    if (recordZoneFetchCompletionBlock) {
        recordZoneFetchCompletionBlock(recordZoneID, std::nullopt, std::nullopt, false, error);
    }
    if (fetchRecordZoneChangesCompletionBlock) {
        fetchRecordZoneChangesCompletionBlock(error);
    }
}

} // namespace orvane
