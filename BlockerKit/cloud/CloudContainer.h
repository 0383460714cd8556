#pragma once

#include "cloud/CloudBackend.h"
#include "cloud/CloudDatabase.h"
#include "platform/OperationQueue.h"

#include <functional>
#include <memory>
#include <string>

namespace orvane {

// A container of the account: its private database (the user's own zones) and its public one.
class CloudContainer {
public:
    // The container of this process's account (ORVANE_CLOUD), one per identifier, kept for
    // the process.
    static std::shared_ptr<CloudContainer> containerWithIdentifier(const std::string& containerIdentifier);

    CloudContainer(std::string containerIdentifier, std::shared_ptr<CloudBackend> backend);

    const std::string& containerIdentifier() const { return containerIdentifier_; }
    std::shared_ptr<CloudDatabase> privateCloudDatabase() const { return privateDatabase_; }
    std::shared_ptr<CloudDatabase> publicCloudDatabase() const { return publicDatabase_; }

    // Asks for the account's status; the completion runs on a thread of the store.
    void accountStatus(std::function<void(AccountStatus status, const std::optional<CloudError>& error)> completion) const;

private:
    const std::string containerIdentifier_;
    const std::shared_ptr<CloudBackend> backend_;
    const std::shared_ptr<OperationQueue> storeQueue_;
    const std::shared_ptr<CloudDatabase> privateDatabase_;
    const std::shared_ptr<CloudDatabase> publicDatabase_;
};

} // namespace orvane
