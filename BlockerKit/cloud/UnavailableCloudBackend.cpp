#include "cloud/UnavailableCloudBackend.h"

#include "cloud/FailingCloudDatabase.h"
#include "cloud/SqliteKeyValueStorage.h"
#include "platform/Uuid.h"

namespace orvane {

UnavailableCloudBackend::UnavailableCloudBackend(AccountStatusResult status, CloudError requestError,
                                                 std::filesystem::path localValuesFile)
    : status_(std::move(status)), requestError_(std::move(requestError)), localValuesFile_(std::move(localValuesFile)) {}

std::shared_ptr<CloudDatabaseBackend> UnavailableCloudBackend::database(const std::string&, DatabaseScope) {
    return std::make_shared<FailingCloudDatabase>(requestError_);
}

std::unique_ptr<KeyValueStorage> UnavailableCloudBackend::keyValueStorage() {
    return std::make_unique<SqliteKeyValueStorage>(std::make_shared<SqliteAccountDatabase>(localValuesFile_, makeUUID()));
}

} // namespace orvane
