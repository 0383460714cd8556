#include "cloud/SqliteCloudBackend.h"

#include "cloud/CloudStorage.h"
#include "cloud/FailingCloudDatabase.h"
#include "cloud/SqliteCloudStorage.h"
#include "cloud/SqliteKeyValueStorage.h"
#include "cloud/StoredCloudDatabase.h"
#include "platform/Uuid.h"

#include <algorithm>
#include <cctype>

namespace orvane {
namespace {

// Container identifiers become file names, so only harmless characters pass.
bool isContainerIdentifier(const std::string& identifier) {
    return !identifier.empty() && identifier.front() != '.' && identifier.size() <= 200 &&
           std::all_of(identifier.begin(), identifier.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
           });
}

} // namespace

SqliteCloudBackend::SqliteCloudBackend(std::filesystem::path directory)
    : directory_(std::move(directory)), origin_(makeUUID()),
      account_(std::make_shared<SqliteAccountDatabase>(accountFile(), origin_)) {}

SqliteCloudBackend::~SqliteCloudBackend() {
    std::lock_guard lock(mutex_);
    poller_.reset();
}

AccountStatusResult SqliteCloudBackend::accountStatus() {
    try {
        account_->lastEventSequence();
        return {AccountStatus::available, std::nullopt};
    } catch (const CloudStorageFailure& failure) {
        return {AccountStatus::couldNotDetermine, failure.error()};
    }
}

std::shared_ptr<CloudDatabaseBackend> SqliteCloudBackend::database(const std::string& containerIdentifier,
                                                                   DatabaseScope scope) {
    if (!isContainerIdentifier(containerIdentifier)) {
        return std::make_shared<FailingCloudDatabase>(CloudError::make(
            CloudErrorCode::invalidArguments, "Invalid container identifier '" + containerIdentifier + "'"));
    }
    std::lock_guard lock(mutex_);
    auto& database = databases_[{containerIdentifier, scope}];
    if (!database) {
        database = std::make_shared<StoredCloudDatabase>(
            std::make_shared<SqliteCloudStorage>(directory_ / (containerIdentifier + ".sqlite"), scope, account_),
            containerIdentifier, scope);
    }
    return database;
}

std::unique_ptr<KeyValueStorage> SqliteCloudBackend::keyValueStorage() {
    return std::make_unique<SqliteKeyValueStorage>(account_);
}

std::optional<CloudError> SqliteCloudBackend::startWatching() {
    std::lock_guard lock(mutex_);
    try {
        poller_ = std::make_unique<EventPoller>(std::make_unique<SqliteAccountDatabase>(accountFile(), origin_),
                                                [this](const CloudEvent& event) { dispatch(event); });
        return std::nullopt;
    } catch (const CloudStorageFailure& failure) {
        return failure.error();
    }
}

} // namespace orvane
