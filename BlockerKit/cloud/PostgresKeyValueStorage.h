#pragma once

#include "cloud/KeyValueStorage.h"
#include "cloud/PostgresSession.h"

#include <memory>

namespace orvane {

class PostgresKeyValueStorage final : public KeyValueStorage {
public:
    explicit PostgresKeyValueStorage(std::shared_ptr<PostgresSession> session) : session_(std::move(session)) {}

    std::optional<std::map<std::string, std::string>> load() override;
    bool write(const std::map<std::string, std::optional<std::string>>& changes) override;

private:
    std::shared_ptr<PostgresSession> session_;
};

} // namespace orvane
