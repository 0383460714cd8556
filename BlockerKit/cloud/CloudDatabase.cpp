#include "cloud/CloudDatabase.h"

#include "cloud/CloudDatabaseBackend.h"

#include <future>

namespace orvane {
namespace {

// Notes what each answer says about the credentials as soon as the backend gives it, before the
// operation hands the answer to its completion: the account-changed notification is then queued
// ahead of the work the completion posts, never after it.
class AuthenticationNotingDatabase final : public CloudDatabaseBackend {
public:
    AuthenticationNotingDatabase(CloudDatabaseBackend& database, CloudBackend& backend)
        : database_(database), backend_(backend) {}

    ModifyRecordZonesResult saveRecordZones(const std::vector<RecordZone>& zones) override {
        return noted(database_.saveRecordZones(zones));
    }
    ModifySubscriptionsResult saveSubscriptions(const std::vector<RecordZoneSubscription>& subscriptions) override {
        return noted(database_.saveSubscriptions(subscriptions));
    }
    ModifyRecordsResult modifyRecords(const std::vector<CloudRecord>& recordsToSave,
                                      const std::vector<RecordID>& recordIDsToDelete) override {
        return noted(database_.modifyRecords(recordsToSave, recordIDsToDelete));
    }
    ZoneChangesResult fetchZoneChanges(const RecordZoneID& zone, const std::optional<ServerChangeToken>& token,
                                       std::size_t resultsLimit) override {
        return noted(database_.fetchZoneChanges(zone, token, resultsLimit));
    }

private:
    // Only a refusal of the credentials, or an answer from the server, says anything about them.
    template <typename Result>
    Result noted(Result result) {
        const auto& error = result.error;
        if (error && error->code == CloudErrorCode::notAuthenticated) {
            backend_.noteAuthentication(false);
        } else if (!error || error->code == CloudErrorCode::partialFailure) {
            backend_.noteAuthentication(true);
        }
        return result;
    }

    CloudDatabaseBackend& database_;
    CloudBackend& backend_;
};

} // namespace

CloudDatabase::CloudDatabase(std::string containerIdentifier, DatabaseScope scope, std::shared_ptr<CloudBackend> backend,
                             std::shared_ptr<OperationQueue> storeQueue)
    : containerIdentifier_(std::move(containerIdentifier)), scope_(scope), backend_(std::move(backend)),
      storeQueue_(std::move(storeQueue)) {}

void CloudDatabase::addOperation(std::shared_ptr<CloudOperation> operation) {
    operation->setDatabase(shared_from_this());
    storeQueue_->addOperation([operation](const Operation&) { operation->database()->run(*operation); });
}

void CloudDatabase::run(CloudOperation& operation) {
    if (operation.isCancelled()) {
        operation.finish(CloudError::make(CloudErrorCode::operationCancelled, "Operation was cancelled"));
        return;
    }
    const auto answering = backend_->database(containerIdentifier_, scope_);
    AuthenticationNotingDatabase database(*answering, *backend_);
    operation.perform(database);
}

void CloudOperation::main() {
    if (!database_) {
        finish(CloudError::make(CloudErrorCode::invalidArguments, "The operation has no database"));
        return;
    }
    std::promise<void> done;
    database_->storeQueue_->addOperation([this, &done](const Operation&) {
        database_->run(*this);
        done.set_value();
    });
    done.get_future().wait();
}

} // namespace orvane
