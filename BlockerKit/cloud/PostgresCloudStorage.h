#pragma once

#include "cloud/CloudStorage.h"
#include "cloud/PostgresSession.h"

#include <memory>
#include <string>

namespace orvane {

// One database of a container on the cloud server. The server's row-level security keeps each
// user to their own rows; the public database lives in a table users may add to and not read.
class PostgresCloudStorage final : public CloudStorage {
public:
    PostgresCloudStorage(std::shared_ptr<PostgresSession> session, std::string containerIdentifier)
        : session_(std::move(session)), container_(std::move(containerIdentifier)) {}

    std::unique_ptr<CloudTransaction> begin(bool writing) override;

private:
    class Transaction;

    std::shared_ptr<PostgresSession> session_;
    std::string container_;
};

} // namespace orvane
