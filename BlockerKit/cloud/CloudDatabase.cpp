#include "cloud/CloudDatabase.h"

#include <future>

namespace orvane {

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
    auto error = operation.perform(*backend_->database(containerIdentifier_, scope_));
    // Only a refusal of the credentials, or an answer from the server, says anything about them.
    if (error && error->code == CloudErrorCode::notAuthenticated) {
        backend_->noteAuthentication(false);
    } else if (!error || error->code == CloudErrorCode::partialFailure) {
        backend_->noteAuthentication(true);
    }
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
