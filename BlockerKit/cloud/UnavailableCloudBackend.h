#pragma once

#include "cloud/CloudBackend.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace orvane {

// No usable account: ORVANE_CLOUD=none (status "No account") or an ORVANE_CLOUD value this build
// does not know. Every request fails with the given error; the key-value store keeps its values
// in a file on this machine alone, and the events are the writes other processes of the machine
// make to that file.
class EventPoller;

class UnavailableCloudBackend final : public CloudBackend {
public:
    UnavailableCloudBackend(AccountStatusResult status, CloudError requestError, std::filesystem::path localValuesFile);
    ~UnavailableCloudBackend() override;

    AccountStatusResult accountStatus() override { return status_; }
    std::shared_ptr<CloudDatabaseBackend> database(const std::string& containerIdentifier, DatabaseScope scope) override;
    std::unique_ptr<KeyValueStorage> keyValueStorage() override;

protected:
    std::optional<CloudError> startWatching() override;

private:
    AccountStatusResult status_;
    CloudError requestError_;
    std::filesystem::path localValuesFile_;
    // Names this process's writes to the file, so that only the others' come back as events.
    const std::string origin_;
    std::mutex mutex_;
    std::unique_ptr<EventPoller> poller_;
};

} // namespace orvane
