// Upload of the local changes queue: batches, their operations, and what each outcome does.

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "sync/SyncInternals.h"
#include "sync/SyncKeys.h"
#include "sync/SyncStateEdit.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvane {
namespace {

struct Piece {
    std::size_t start = 0;
    std::size_t count = 0;
};

// Consecutive pieces of ⌊count ÷ split⌋ items (at least one); a remainder makes one more piece.
std::vector<Piece> cut(std::size_t count, std::size_t split) {
    const std::size_t size = std::max<std::size_t>(count / split, 1);
    std::vector<Piece> pieces;
    for (std::size_t start = 0; start < count; start += size) {
        pieces.push_back({start, std::min(size, count - start)});
    }
    return pieces;
}

// Seconds as the log has always shown them: "2.0", "0.5".
std::string secondsText(double seconds) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
    std::string text(buffer, error == std::errc() ? end : buffer);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
}

const RecordID* recordIDOf(const CloudItemID& item) { return std::get_if<RecordID>(&item); }

} // namespace

void SyncManager::scheduleSync(std::size_t split) {
    recordPushes();
    auto batch = std::make_shared<Batch>();
    if (!defaults_.stringForKey(SyncKeys::ZoneSubscribtionID)) {
        batch->operations.push_back(makeSubscriptionOperation(batch));
    }
    for (auto& push : makePushOperations(split)) {
        attachPushCompletion(push, split, batch);
        batch->operations.push_back(push.operation);
    }
    if (!defaults_.boolForKey(SyncKeys::ZoneSaved).value_or(false)) {
        // The queue runs one operation at a time in order, so the zone goes first.
        batch->operations.insert(batch->operations.begin(), makeZoneOperation(batch));
    }
    if (batch->operations.empty()) {
        return;
    }
    passAccountGate(std::move(batch));
}

std::vector<PushOperation> SyncManager::makePushOperations(std::size_t split) {
    split = std::max<std::size_t>(split, 1);
    auto save = localChanges_.recordsToSave(metadata_.load());
    auto remove = localChanges_.recordIDsToDelete();
    if (save.empty() && remove.empty()) {
        log("No local record changes to push");
        return {};
    }
    log("Records to add/modify " + std::to_string(save.size()));
    log("Records to delete " + std::to_string(remove.size()));
    // No request may carry more items than the cloud takes: the split starts high enough.
    const std::size_t items = save.size() + remove.size();
    split = std::max(split, (items + kMaximumItemsPerRequest - 1) / kMaximumItemsPerRequest);
    log("Splitting data into " + std::to_string(split) + " operations");
    const auto savePieces = cut(save.size(), split);
    const auto removePieces = cut(remove.size(), split);
    std::vector<PushOperation> operations;
    for (std::size_t i = 0; i < std::max(savePieces.size(), removePieces.size()); ++i) {
        std::vector<CloudRecord> records;
        std::map<std::string, FieldDictionary> fields;
        if (i < savePieces.size()) {
            for (std::size_t j = savePieces[i].start; j < savePieces[i].start + savePieces[i].count; ++j) {
                fields[save[j].record.recordID().recordName] = save[j].fields;
                records.push_back(std::move(save[j].record));
            }
        }
        std::vector<RecordID> ids;
        if (i < removePieces.size()) {
            ids.assign(remove.begin() + static_cast<std::ptrdiff_t>(removePieces[i].start),
                       remove.begin() + static_cast<std::ptrdiff_t>(removePieces[i].start + removePieces[i].count));
        }
        auto operation = std::make_shared<ModifyRecordsOperation>(std::move(records), std::move(ids));
        operation->setDatabase(container_->privateCloudDatabase());
        operations.push_back({std::move(operation), std::move(fields)});
    }
    return operations;
}

void SyncManager::attachPushCompletion(PushOperation& push, std::size_t split, const std::shared_ptr<Batch>& batch) {
    PushResult carried;
    for (const auto& record : push.operation->recordsToSave) {
        carried.namesToSave.push_back(record.recordID().recordName);
    }
    for (const auto& id : push.operation->recordIDsToDelete) {
        carried.namesToDelete.push_back(id.recordName);
    }
    // The operation's completion runs once: what it carries is moved, not copied, into the result.
    carried.fields = std::move(push.fields);
    carried.split = split;
    carried.batch = batch;
    push.operation->modifyRecordsCompletionBlock =
        [weakSelf = weak_from_this(), carried = std::make_shared<PushResult>(std::move(carried))](
            const std::vector<CloudRecord>& saved, const std::vector<RecordID>& deleted, const OptionalCloudError& error) {
            PushResult result = std::move(*carried);
            result.savedRecords = saved;
            result.deletedRecordIDs = deleted;
            result.error = error;
            // Whatever failed is redone by the batch that follows, from the queue as it is then;
            // the rest of this one would only fail the same way, or send rules without the
            // package that failed before them.
            if (error) {
                if (auto owner = result.batch.lock()) {
                    owner->cancel();
                }
            }
            onMain(weakSelf, [result = std::move(result)](SyncManager& self) mutable { self.pushCompleted(std::move(result)); });
        };
}

void SyncManager::pushCompleted(PushResult result) {
    --operationsInFlight_;
    if (result.error) {
        recordPushes();
        pushFailed(result);
        return;
    }
    log("Local changes pushed successfully!");
    statistics_.recordsPushed += result.savedRecords.size();
    statistics_.deletionsPushed += result.deletedRecordIDs.size();
    pushesToRecord_.push_back(std::move(result));
    if (operationsInFlight_ == 0) {
        recordPushes();
    }
}

void SyncManager::recordPushes() {
    if (pushesToRecord_.empty()) {
        return;
    }
    // The uploads of a batch are written down together, in one write of the group defaults.
    // Should the process end before, the records stay queued; their next upload meets the
    // server's copies and is dropped as a duplicate.
    const auto pushes = std::move(pushesToRecord_);
    pushesToRecord_.clear();
    defaults_.update([&](PropertyDictionary& domain) {
        SyncStateEdit edit(domain);
        for (const auto& push : pushes) {
            std::vector<std::string> deletedNames;
            for (const auto& id : push.deletedRecordIDs) {
                edit.eraseMetadata(id.recordName);
                deletedNames.push_back(id.recordName);
            }
            edit.unmarkDeleted(deletedNames, LocalDeleteKeys::Packages);
            edit.unmarkDeleted(deletedNames, LocalDeleteKeys::Rules);
            for (const auto& record : push.savedRecords) {
                edit.setMetadata(record.recordID().recordName, encodeSystemFields(record));
            }
            edit.removeUploaded(push.fields, LocalAddKeys::Packages);
            edit.removeUploaded(push.fields, LocalAddKeys::Rules);
        }
    });
    defaults_.synchronize();
}

void SyncManager::pushFailed(const PushResult& result) {
    const CloudError& topLevel = *result.error;
    const CloudError* error = nullptr;
    std::string name;
    if (topLevel.code == CloudErrorCode::partialFailure) {
        for (const auto& item : topLevel.partialErrors) {
            const RecordID* id = recordIDOf(item.itemID);
            if (id != nullptr && item.error.domain == CloudError::kDomain &&
                item.error.code != CloudErrorCode::batchRequestFailed) {
                error = &item.error;
                name = id->recordName;
                break;
            }
        }
    }
    if (error == nullptr) {
        if (result.namesToSave.empty() && result.namesToDelete.empty()) {
            log(topLevel.localizedDescription);
            return;
        }
        error = &topLevel;
        name = !result.namesToSave.empty() ? result.namesToSave.front() : result.namesToDelete.front();
    }
    log("Couldn't push " + name + ": " + error->localizedDescription);
    if (!isCurrent(result.batch)) {
        return;
    }
    switch (error->code) {
    case CloudErrorCode::networkFailure:
    case CloudErrorCode::serviceUnavailable:
    case CloudErrorCode::requestRateLimited:
    case CloudErrorCode::zoneBusy:
        scheduleRetry(retryDelay(*error, topLevel));
        break;
    case CloudErrorCode::notAuthenticated:
        accountUnavailable();
        break;
    case CloudErrorCode::invalidArguments:
        localChanges_.forget(name);
        scheduleSync(1);
        break;
    case CloudErrorCode::serverRecordChanged:
        if (error->serverRecord && error->clientRecord && error->ancestorRecord) {
            mergeConflict(*error->serverRecord, *error->clientRecord, *error->ancestorRecord);
            scheduleSync(1);
        }
        break;
    case CloudErrorCode::zoneNotFound:
        defaults_.set(SyncKeys::ZoneSaved, false);
        defaults_.synchronize();
        scheduleSync(1);
        break;
    case CloudErrorCode::limitExceeded:
        if (result.namesToSave.size() <= 1 && result.namesToDelete.size() <= 1) {
            // As small as a split makes a request, and still too large: no split can send it.
            log("Dropping " + name + " from the upload: it is too large for the cloud");
            localChanges_.forget(name);
            scheduleSync(1);
        } else {
            scheduleSync(result.split * 2);
        }
        break;
    default:
        break;
    }
}

double SyncManager::retryDelay(const CloudError& error, const CloudError& topLevel) const {
    if (error.retryAfterSeconds) {
        return *error.retryAfterSeconds;
    }
    return topLevel.retryAfterSeconds.value_or(lastRequestDelay_);
}

void SyncManager::scheduleRetry(double delay) {
    // Also bounds what a server asks for: a deadline must never overflow.
    if (!(delay >= 0)) {
        delay = 0;
    }
    delay = std::min(delay, kMaximumRequestDelay);
    log("Retrying data push in " + secondsText(delay) + " secs ...");
    ++retriesPending_;
    const auto wait = std::chrono::milliseconds(std::llround(delay * 1000));
    runAfter_(wait, [weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock()) {
            --self->retriesPending_;
            self->scheduleSync(1);
        }
    });
    lastRequestDelay_ = std::min(lastRequestDelay_ * lastRequestDelay_, kMaximumRequestDelay);
}

} // namespace orvane
