#include "testing/FaultInjectingCloudBackend.h"

namespace orvane {

struct FaultInjectingCloudBackend::Plan {
    struct Armed {
        CloudFault fault;
        std::size_t call = 0; // the call number that fails; 0: every call
    };

    // Counts the call and answers its injected error, if it has one.
    std::optional<CloudError> next(CloudCall call, const std::vector<CloudItemID>& items) {
        std::lock_guard lock(mutex);
        const std::size_t number = ++counts[call];
        for (const auto& armed : faults) {
            if (armed.fault.call == call && (armed.call == 0 || armed.call == number)) {
                return errorFor(armed.fault, items);
            }
        }
        return std::nullopt;
    }

    static CloudError errorFor(const CloudFault& fault, const std::vector<CloudItemID>& items) {
        CloudError error = CloudError::make(fault.code, "Injected error " + std::to_string(fault.code));
        error.retryAfterSeconds = fault.retryAfterSeconds;
        if (!fault.perItem || items.empty()) {
            return error;
        }
        CloudError partial = CloudError::make(CloudErrorCode::partialFailure, "Failed to modify some items");
        partial.retryAfterSeconds = fault.retryAfterSeconds;
        partial.partialErrors.push_back({items.front(), error});
        for (std::size_t i = 1; i < items.size(); ++i) {
            partial.partialErrors.push_back(
                {items[i], CloudError::make(CloudErrorCode::batchRequestFailed, "Atomic failure: another item failed")});
        }
        return partial;
    }

    mutable std::mutex mutex;
    std::optional<AccountStatus> accountStatus;
    std::vector<Armed> faults;
    std::map<CloudCall, std::size_t> counts;
};

namespace {

class FaultInjectingDatabase final : public CloudDatabaseBackend {
public:
    FaultInjectingDatabase(std::shared_ptr<CloudDatabaseBackend> inner, std::shared_ptr<FaultInjectingCloudBackend::Plan> plan)
        : inner_(std::move(inner)), plan_(std::move(plan)) {}

    ModifyRecordZonesResult saveRecordZones(const std::vector<RecordZone>& zones) override {
        std::vector<CloudItemID> items;
        for (const auto& zone : zones) {
            items.emplace_back(zone.zoneID);
        }
        if (auto error = plan_->next(CloudCall::saveRecordZones, items)) {
            return {{}, error};
        }
        return inner_->saveRecordZones(zones);
    }

    ModifySubscriptionsResult saveSubscriptions(const std::vector<RecordZoneSubscription>& subscriptions) override {
        std::vector<CloudItemID> items;
        for (const auto& subscription : subscriptions) {
            items.emplace_back(subscription.subscriptionID);
        }
        if (auto error = plan_->next(CloudCall::saveSubscriptions, items)) {
            return {{}, error};
        }
        return inner_->saveSubscriptions(subscriptions);
    }

    ModifyRecordsResult modifyRecords(const std::vector<CloudRecord>& recordsToSave,
                                      const std::vector<RecordID>& recordIDsToDelete) override {
        std::vector<CloudItemID> items;
        for (const auto& record : recordsToSave) {
            items.emplace_back(record.recordID());
        }
        for (const auto& id : recordIDsToDelete) {
            items.emplace_back(id);
        }
        if (auto error = plan_->next(CloudCall::modifyRecords, items)) {
            return {{}, {}, error};
        }
        return inner_->modifyRecords(recordsToSave, recordIDsToDelete);
    }

    ZoneChangesResult fetchZoneChanges(const RecordZoneID& zone, const std::optional<ServerChangeToken>& token,
                                       std::size_t resultsLimit) override {
        if (auto error = plan_->next(CloudCall::fetchZoneChanges, {})) {
            ZoneChangesResult result;
            result.error = error;
            return result;
        }
        return inner_->fetchZoneChanges(zone, token, resultsLimit);
    }

private:
    std::shared_ptr<CloudDatabaseBackend> inner_;
    std::shared_ptr<FaultInjectingCloudBackend::Plan> plan_;
};

} // namespace

FaultInjectingCloudBackend::FaultInjectingCloudBackend(std::shared_ptr<CloudBackend> inner)
    : inner_(std::move(inner)), plan_(std::make_shared<Plan>()) {}

FaultInjectingCloudBackend::~FaultInjectingCloudBackend() {
    if (innerToken_) {
        inner_->removeEventObserver(*innerToken_);
    }
}

void FaultInjectingCloudBackend::inject(const CloudFault& fault) {
    std::lock_guard lock(plan_->mutex);
    const std::size_t call = fault.occurrence == 0 ? 0 : plan_->counts[fault.call] + fault.occurrence;
    plan_->faults.push_back({fault, call});
}

void FaultInjectingCloudBackend::clearFaults() {
    std::lock_guard lock(plan_->mutex);
    plan_->faults.clear();
}

std::size_t FaultInjectingCloudBackend::callCount(CloudCall call) const {
    std::lock_guard lock(plan_->mutex);
    auto it = plan_->counts.find(call);
    return it == plan_->counts.end() ? 0 : it->second;
}

void FaultInjectingCloudBackend::setAccountStatus(std::optional<AccountStatus> status) {
    std::lock_guard lock(plan_->mutex);
    plan_->accountStatus = status;
}

AccountStatusResult FaultInjectingCloudBackend::accountStatus() {
    if (auto error = plan_->next(CloudCall::accountStatus, {})) {
        return {AccountStatus::couldNotDetermine, error};
    }
    std::optional<AccountStatus> status;
    {
        std::lock_guard lock(plan_->mutex);
        status = plan_->accountStatus;
    }
    return status ? AccountStatusResult{*status, std::nullopt} : inner_->accountStatus();
}

std::shared_ptr<CloudDatabaseBackend> FaultInjectingCloudBackend::database(const std::string& containerIdentifier,
                                                                          DatabaseScope scope) {
    return std::make_shared<FaultInjectingDatabase>(inner_->database(containerIdentifier, scope), plan_);
}

std::optional<CloudError> FaultInjectingCloudBackend::startWatching() {
    auto answer = inner_->addEventObserver([this](const CloudEvent& event) { dispatch(event); });
    if (const auto* error = std::get_if<CloudError>(&answer)) {
        return *error;
    }
    innerToken_ = std::get<ObserverToken>(answer);
    return std::nullopt;
}

} // namespace orvane
