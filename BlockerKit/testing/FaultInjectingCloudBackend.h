#pragma once

#include "cloud/CloudBackend.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace orvane {

enum class CloudCall { saveRecordZones, saveSubscriptions, modifyRecords, fetchZoneChanges, accountStatus };

struct CloudFault {
    CloudCall call = CloudCall::modifyRecords;
    long code = CloudErrorCode::networkFailure;
    // Which call of that kind fails, counted from 1 among the calls after the fault was
    // injected; 0 fails every one of them.
    std::size_t occurrence = 1;
    std::optional<double> retryAfterSeconds;
    // Reports the code as the error of the request's first item under a partial failure
    // (code 2), every other item with code 22, as the store reports a refused item.
    bool perItem = false;
};

// A backend for tests of the store's callers: passes every call to another backend, except
// those chosen to fail, which fail with the chosen code without reaching it.
class FaultInjectingCloudBackend final : public CloudBackend {
public:
    explicit FaultInjectingCloudBackend(std::shared_ptr<CloudBackend> inner);
    ~FaultInjectingCloudBackend() override;

    void inject(const CloudFault& fault);
    void clearFaults();
    // Calls of that kind so far, failed ones included.
    std::size_t callCount(CloudCall call) const;
    // Answers this status (without error) instead of the other backend's; absent: its own.
    void setAccountStatus(std::optional<AccountStatus> status);

    AccountStatusResult accountStatus() override;
    std::shared_ptr<CloudDatabaseBackend> database(const std::string& containerIdentifier, DatabaseScope scope) override;
    std::unique_ptr<KeyValueStorage> keyValueStorage() override { return inner_->keyValueStorage(); }

    struct Plan;

protected:
    std::optional<CloudError> startWatching() override;

private:
    const std::shared_ptr<CloudBackend> inner_;
    const std::shared_ptr<Plan> plan_;
    std::optional<ObserverToken> innerToken_;
};

} // namespace orvane
