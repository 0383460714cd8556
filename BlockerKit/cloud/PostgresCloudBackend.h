#pragma once

#include "cloud/CloudBackend.h"
#include "cloud/PostgresEventListener.h"
#include "cloud/PostgresSession.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvane {

// A cloud server shared by many users: PostgreSQL, one role per user, each user's rows kept
// apart by row-level security, pushes through LISTEN/NOTIFY.
class PostgresCloudBackend final : public CloudBackend {
public:
    explicit PostgresCloudBackend(std::string uri);
    ~PostgresCloudBackend() override;

    AccountStatusResult accountStatus() override;
    std::shared_ptr<CloudDatabaseBackend> database(const std::string& containerIdentifier, DatabaseScope scope) override;
    std::unique_ptr<KeyValueStorage> keyValueStorage() override;

protected:
    std::optional<CloudError> startWatching() override;

private:
    const std::string uri_;
    const std::shared_ptr<PostgresSession> session_;
    std::mutex mutex_;
    std::map<std::pair<std::string, DatabaseScope>, std::shared_ptr<CloudDatabaseBackend>> databases_;
    std::unique_ptr<PostgresEventListener> listener_;
};

} // namespace orvane
