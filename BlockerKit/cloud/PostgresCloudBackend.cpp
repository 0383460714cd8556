#include "cloud/PostgresCloudBackend.h"

#include "cloud/CloudStorage.h"
#include "cloud/PostgresCloudStorage.h"
#include "cloud/PostgresKeyValueStorage.h"
#include "cloud/StoredCloudDatabase.h"
#include "platform/Uuid.h"

namespace orvane {

PostgresCloudBackend::PostgresCloudBackend(std::string uri)
    : uri_(std::move(uri)), session_(std::make_shared<PostgresSession>(uri_, makeUUID())) {}

PostgresCloudBackend::~PostgresCloudBackend() {
    std::lock_guard lock(mutex_);
    listener_.reset();
}

AccountStatusResult PostgresCloudBackend::accountStatus() {
    try {
        PostgresTransaction transaction(*session_, false);
        // A role outside the users of the schema has a login but no account here.
        auto member = transaction.execute("SELECT pg_has_role(current_user, 'orvane_users', 'MEMBER')");
        transaction.commit();
        return {member.boolean(0, 0) ? AccountStatus::available : AccountStatus::noAccount, std::nullopt};
    } catch (const CloudStorageFailure& failure) {
        return {AccountStatus::couldNotDetermine, failure.error()};
    }
}

std::shared_ptr<CloudDatabaseBackend> PostgresCloudBackend::database(const std::string& containerIdentifier,
                                                                     DatabaseScope scope) {
    std::lock_guard lock(mutex_);
    auto& database = databases_[{containerIdentifier, scope}];
    if (!database) {
        database = std::make_shared<StoredCloudDatabase>(
            std::make_shared<PostgresCloudStorage>(session_, containerIdentifier), containerIdentifier, scope);
    }
    return database;
}

std::unique_ptr<KeyValueStorage> PostgresCloudBackend::keyValueStorage() {
    return std::make_unique<PostgresKeyValueStorage>(session_);
}

std::optional<CloudError> PostgresCloudBackend::startWatching() {
    std::lock_guard lock(mutex_);
    try {
        listener_ = std::make_unique<PostgresEventListener>(uri_, session_->origin,
                                                            [this](const CloudEvent& event) { dispatch(event); });
        return std::nullopt;
    } catch (const CloudStorageFailure& failure) {
        return failure.error();
    }
}

} // namespace orvane
