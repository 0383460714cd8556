#pragma once

#include "cloud/CloudBackend.h"
#include "cloud/CloudOperation.h"
#include "platform/OperationQueue.h"

#include <memory>
#include <string>

namespace orvane {

// The private or public database of a container.
class CloudDatabase : public std::enable_shared_from_this<CloudDatabase> {
public:
    CloudDatabase(std::string containerIdentifier, DatabaseScope scope, std::shared_ptr<CloudBackend> backend,
                  std::shared_ptr<OperationQueue> storeQueue);

    DatabaseScope databaseScope() const { return scope_; }
    const std::string& containerIdentifier() const { return containerIdentifier_; }

    // Runs the operation on a thread of the store, where its completion handlers are called.
    void addOperation(std::shared_ptr<CloudOperation> operation);

private:
    friend class CloudOperation;
    void run(CloudOperation& operation);

    const std::string containerIdentifier_;
    const DatabaseScope scope_;
    const std::shared_ptr<CloudBackend> backend_;
    const std::shared_ptr<OperationQueue> storeQueue_;
};

} // namespace orvane
