#include "cloud/UnavailableCloudBackend.h"

#include "cloud/CloudStorage.h"
#include "cloud/EventPoller.h"
#include "cloud/FailingCloudDatabase.h"
#include "cloud/SqliteKeyValueStorage.h"
#include "platform/Uuid.h"

namespace orvane {

UnavailableCloudBackend::UnavailableCloudBackend(AccountStatusResult status, CloudError requestError,
                                                 std::filesystem::path localValuesFile)
    : status_(std::move(status)), requestError_(std::move(requestError)), localValuesFile_(std::move(localValuesFile)),
      origin_(makeUUID()) {}

UnavailableCloudBackend::~UnavailableCloudBackend() = default;

std::shared_ptr<CloudDatabaseBackend> UnavailableCloudBackend::database(const std::string&, DatabaseScope) {
    return std::make_shared<FailingCloudDatabase>(requestError_);
}

std::unique_ptr<KeyValueStorage> UnavailableCloudBackend::keyValueStorage() {
    return std::make_unique<SqliteKeyValueStorage>(std::make_shared<SqliteAccountDatabase>(localValuesFile_, origin_));
}

std::optional<CloudError> UnavailableCloudBackend::startWatching() {
    std::lock_guard lock(mutex_);
    try {
        poller_ = std::make_unique<EventPoller>(std::make_unique<SqliteAccountDatabase>(localValuesFile_, origin_),
                                                [this](const CloudEvent& event) { dispatch(event); });
        return std::nullopt;
    } catch (const CloudStorageFailure& failure) {
        return failure.error();
    }
}

} // namespace orvane
