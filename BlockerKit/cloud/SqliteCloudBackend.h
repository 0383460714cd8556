#pragma once

#include "cloud/CloudBackend.h"
#include "cloud/EventPoller.h"
#include "cloud/SqliteAccountDatabase.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace orvane {

// The embedded cloud: a folder that every "machine" of the user names, with one database file
// per container and an account file for the key-value store and the events between devices.
class SqliteCloudBackend final : public CloudBackend {
public:
    explicit SqliteCloudBackend(std::filesystem::path directory);
    ~SqliteCloudBackend() override;

    AccountStatusResult accountStatus() override;
    std::shared_ptr<CloudDatabaseBackend> database(const std::string& containerIdentifier, DatabaseScope scope) override;
    std::unique_ptr<KeyValueStorage> keyValueStorage() override;

protected:
    std::optional<CloudError> startWatching() override;

private:
    std::filesystem::path accountFile() const { return directory_ / "Account.sqlite"; }

    const std::filesystem::path directory_;
    // Tells this process's writes from those of the user's other devices.
    const std::string origin_;
    const std::shared_ptr<SqliteAccountDatabase> account_;
    std::mutex mutex_;
    std::map<std::pair<std::string, DatabaseScope>, std::shared_ptr<CloudDatabaseBackend>> databases_;
    std::unique_ptr<EventPoller> poller_;
};

} // namespace orvane
