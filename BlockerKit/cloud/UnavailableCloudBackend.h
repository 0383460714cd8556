#pragma once

#include "cloud/CloudBackend.h"

#include <filesystem>

namespace orvane {

// No usable account: ORVANE_CLOUD=none (status "No account") or an ORVANE_CLOUD value this build
// does not know. Every request fails with the given error; the key-value store keeps its values
// in a file on this machine alone.
class UnavailableCloudBackend final : public CloudBackend {
public:
    UnavailableCloudBackend(AccountStatusResult status, CloudError requestError, std::filesystem::path localValuesFile);

    AccountStatusResult accountStatus() override { return status_; }
    std::shared_ptr<CloudDatabaseBackend> database(const std::string& containerIdentifier, DatabaseScope scope) override;
    std::unique_ptr<KeyValueStorage> keyValueStorage() override;

protected:
    std::optional<CloudError> startWatching() override { return requestError_; }

private:
    AccountStatusResult status_;
    CloudError requestError_;
    std::filesystem::path localValuesFile_;
};

} // namespace orvane
