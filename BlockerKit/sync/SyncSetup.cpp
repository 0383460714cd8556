// Start, zone and subscription set-up, and the account gate.

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "sync/SyncInternals.h"
#include "sync/SyncKeys.h"

namespace orvane {
namespace {

// A partial failure stands for the error of the one item asked about.
std::optional<CloudError> itemError(const std::optional<CloudError>& error, const CloudItemID& item) {
    if (error && error->code == CloudErrorCode::partialFailure) {
        if (const CloudError* own = error->partialError(item)) {
            return *own;
        }
    }
    return error;
}

constexpr const char* kDuplicateOf = "duplicate of ";

} // namespace

void SyncManager::startSync(const PackageList& packages) {
    if (!defaults_.boolForKey(SyncKeys::ExistingDataMarkedAsAdded).value_or(false) && !packages.empty()) {
        prepareInitialSync(packages);
    }
    scheduleSync(1);
    if (defaults_.boolForKey(SyncKeys::ZoneSaved).value_or(false)) {
        fetchRemoteChanges(nullptr);
    }
}

void SyncManager::prepareInitialSync(const PackageList& packages) {
    log("Preparing packages for initial sync");
    // Added to what is queued already: a custom package made before the first start must
    // still go up.
    for (const auto& package : packages) {
        localChanges_.markPackageAdded(package.id, package.name);
        localChanges_.markRulesAdded(package.rules, package.id);
    }
    defaults_.set(SyncKeys::ExistingDataMarkedAsAdded, true);
    defaults_.synchronize();
}

void SyncManager::checkAccountStatus(std::function<void(bool available)> completion) {
    log("Checking account status...");
    ++accountChecksInFlight_;
    container_->accountStatus([weakSelf = weak_from_this(), completion = std::move(completion)](
                                  AccountStatus status, const std::optional<CloudError>& error) {
        onMain(weakSelf, [status, error, completion](SyncManager& self) {
            --self.accountChecksInFlight_;
            if (error) {
                log(error->localizedDescription);
            } else {
                log(std::string("Current account status: ") + accountStatusText(status));
                self.lastAccountStatus_ = status;
            }
            completion(!error && status == AccountStatus::available);
        });
    });
}

void SyncManager::accountStatusChanged() {
    log("Account status changed!");
    lastAccountStatus_.reset();
    checkAccountStatus([this](bool available) {
        if (available && pendingOnAccountUnavailable_) {
            scheduleSync(1);
        }
    });
}

std::shared_ptr<ModifyRecordZonesOperation> SyncManager::makeZoneOperation(const std::shared_ptr<Batch>& batch) {
    auto operation = std::make_shared<ModifyRecordZonesOperation>(std::vector<RecordZone>{zone_});
    operation->setDatabase(container_->privateCloudDatabase());
    operation->modifyRecordZonesCompletionBlock =
        [weakSelf = weak_from_this(), weakBatch = std::weak_ptr<Batch>(batch), zoneID = zone_.zoneID](
            const std::vector<RecordZone>&, const OptionalCloudError& error) {
            auto effective = itemError(error, zoneID);
            // Everything after the zone needs it, and a retry redoes the whole batch: stop the rest
            // before it runs (it would only find the zone missing and start another batch at once).
            if (effective && effective->code != CloudErrorCode::serverRejectedRequest) {
                if (auto owner = weakBatch.lock()) {
                    owner->cancel();
                }
            }
            onMain(weakSelf, [effective, weakBatch](SyncManager& self) { self.zoneSaveCompleted(effective, weakBatch); });
        };
    return operation;
}

bool SyncManager::retryOrGiveUpSetup(const CloudError& error) {
    if (isTransient(error)) {
        scheduleRetry(retryDelay(error, error));
        return true;
    }
    if (error.code == CloudErrorCode::notAuthenticated) {
        accountUnavailable();
        return true;
    }
    return false;
}

void SyncManager::zoneSaveCompleted(const std::optional<CloudError>& error, const std::weak_ptr<Batch>& batch) {
    --operationsInFlight_;
    if (error) {
        log("Couldn't save zone " + error->localizedDescription);
        if (error->code == CloudErrorCode::serverRejectedRequest) {
            log("Zone already exists (?)");
        } else {
            if (isCurrent(batch)) {
                retryOrGiveUpSetup(*error);
            }
            return;
        }
    }
    log("Zone saved successfully!");
    lastRequestDelay_ = kDefaultRequestDelay;
    defaults_.set(SyncKeys::ZoneSaved, true);
    defaults_.synchronize();
    fetchRemoteChanges(nullptr);
}

std::shared_ptr<ModifySubscriptionsOperation>
SyncManager::makeSubscriptionOperation(const std::shared_ptr<Batch>& batch) {
    RecordZoneSubscription subscription(zone_.zoneID);
    subscription.notificationInfo.shouldSendContentAvailable = true;
    auto operation = std::make_shared<ModifySubscriptionsOperation>(std::vector<RecordZoneSubscription>{subscription});
    operation->setDatabase(container_->privateCloudDatabase());
    operation->modifySubscriptionsCompletionBlock =
        [weakSelf = weak_from_this(), weakBatch = std::weak_ptr<Batch>(batch), id = subscription.subscriptionID](
            const std::vector<RecordZoneSubscription>& saved, const OptionalCloudError& error) {
            auto effective = itemError(error, CloudItemID(id));
            if (effective && effective->code == CloudErrorCode::notAuthenticated) {
                if (auto owner = weakBatch.lock()) {
                    owner->cancel();
                }
            }
            std::optional<std::string> savedID;
            if (!effective) {
                savedID = saved.empty() ? id : saved.front().subscriptionID;
            }
            onMain(weakSelf, [effective, savedID, weakBatch](SyncManager& self) {
                self.subscriptionSaveCompleted(effective, savedID, weakBatch);
            });
        };
    return operation;
}

void SyncManager::subscriptionSaveCompleted(const std::optional<CloudError>& error, std::optional<std::string> savedID,
                                            const std::weak_ptr<Batch>& batch) {
    --operationsInFlight_;
    if (error) {
        log("Couldn't save subscription " + error->localizedDescription);
        const std::string& description = error->localizedDescription;
        const auto duplicate = description.find(kDuplicateOf);
        if (error->code == CloudErrorCode::serverRejectedRequest && duplicate != std::string::npos) {
            log("Subscription already exists (?)");
            std::string existing = description.substr(duplicate + std::char_traits<char>::length(kDuplicateOf));
            std::erase(existing, '\'');
            savedID = existing;
        } else {
            if (!isCurrent(batch) || retryOrGiveUpSetup(*error)) {
                return;
            }
            if (error->code == CloudErrorCode::zoneNotFound) {
                defaults_.set(SyncKeys::ZoneSaved, false);
                defaults_.synchronize();
                scheduleSync(1);
            }
            return;
        }
    }
    log("Subscription saved successfully! ID: " + *savedID);
    lastRequestDelay_ = kDefaultRequestDelay;
    defaults_.set(SyncKeys::ZoneSubscribtionID, *savedID);
    defaults_.synchronize();
}

void SyncManager::passAccountGate(std::shared_ptr<Batch> batch) {
    if (lastAccountStatus_ == AccountStatus::restricted || lastAccountStatus_ == AccountStatus::noAccount) {
        log(std::string("Account status: ") + accountStatusText(*lastAccountStatus_));
        pendingOnAccountUnavailable_ = true;
        return;
    }
    if (lastAccountStatus_ == AccountStatus::available) {
        startBatch(std::move(batch));
        return;
    }
    checkAccountStatus([this, batch = std::move(batch)](bool available) mutable {
        if (available) {
            startBatch(std::move(batch));
        } else {
            pendingOnAccountUnavailable_ = true;
        }
    });
}

void SyncManager::startBatch(std::shared_ptr<Batch> batch) {
    pendingOnAccountUnavailable_ = false;
    queue_.cancelAllOperations();
    currentBatch_ = std::move(batch);
    operationsInFlight_ += currentBatch_->operations.size();
    for (const auto& operation : currentBatch_->operations) {
        queue_.addOperation(operation);
    }
}

void SyncManager::accountUnavailable() {
    lastAccountStatus_.reset();
    pendingOnAccountUnavailable_ = true;
    queue_.cancelAllOperations();
}

} // namespace orvane
