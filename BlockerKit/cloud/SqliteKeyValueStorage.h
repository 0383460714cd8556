#pragma once

#include "cloud/KeyValueStorage.h"
#include "cloud/SqliteAccountDatabase.h"

#include <memory>

namespace orvane {

class SqliteKeyValueStorage final : public KeyValueStorage {
public:
    explicit SqliteKeyValueStorage(std::shared_ptr<SqliteAccountDatabase> account) : account_(std::move(account)) {}

    std::optional<std::map<std::string, std::string>> load() override;
    bool write(const std::map<std::string, std::optional<std::string>>& changes) override;

private:
    std::shared_ptr<SqliteAccountDatabase> account_;
};

} // namespace orvane
