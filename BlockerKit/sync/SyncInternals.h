#pragma once

// The pieces of SyncManager that its source files share.

#include "sync/SyncManager.h"

#include <initializer_list>

namespace orvane {

// The operations started together by one scheduleSync. A newer batch supersedes it: the
// completions of a superseded batch still record what their requests saved, but no longer act
// on errors, since the newer batch carries the same changes and meets the same errors.
struct SyncManager::Batch {
    std::vector<std::shared_ptr<Operation>> operations;

    void cancel() const {
        for (const auto& operation : operations) {
            operation->cancel();
        }
    }
};

struct SyncManager::PushResult {
    std::vector<CloudRecord> savedRecords;
    std::vector<RecordID> deletedRecordIDs;
    std::optional<CloudError> error;
    // What the operation carried.
    std::vector<std::string> namesToSave;
    std::vector<std::string> namesToDelete;
    std::map<std::string, FieldDictionary> fields;
    std::size_t split = 1;
    std::weak_ptr<Batch> batch;
};

struct SyncManager::FetchedChanges {
    std::vector<CloudRecord> changedRecords;
    std::vector<std::string> deletedNames;
};

inline bool hasCode(const CloudError& error, std::initializer_list<long> codes) {
    for (long code : codes) {
        if (error.code == code) {
            return true;
        }
    }
    return false;
}

inline bool isTransient(const CloudError& error) {
    return hasCode(error, {CloudErrorCode::networkFailure, CloudErrorCode::serviceUnavailable,
                           CloudErrorCode::requestRateLimited, CloudErrorCode::zoneBusy});
}

} // namespace orvane
