#pragma once

#include "cloud/CloudStorage.h"
#include "cloud/SqliteAccountDatabase.h"
#include "cloud/SqliteConnection.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

namespace orvane {

// One database (scope) of a container file of a SQLite cloud. Pushes go to the account file.
class SqliteCloudStorage final : public CloudStorage {
public:
    SqliteCloudStorage(std::filesystem::path containerFile, DatabaseScope scope,
                       std::shared_ptr<SqliteAccountDatabase> account);

    std::unique_ptr<CloudTransaction> begin(bool writing) override;

private:
    class Transaction;

    const std::filesystem::path containerFile_;
    const DatabaseScope scope_;
    const std::shared_ptr<SqliteAccountDatabase> account_;
    std::mutex mutex_;
    std::optional<SqliteConnection> connection_;
};

} // namespace orvane
