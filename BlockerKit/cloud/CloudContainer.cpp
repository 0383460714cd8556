#include "cloud/CloudContainer.h"

#include <map>
#include <mutex>

namespace orvane {
namespace {

// Requests of a container may overlap, as those of the platform's store do.
constexpr std::size_t kStoreThreads = 4;

} // namespace

std::shared_ptr<CloudContainer> CloudContainer::containerWithIdentifier(const std::string& containerIdentifier) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<CloudContainer>> containers;
    auto backend = CloudBackend::shared();
    std::lock_guard lock(mutex);
    auto& container = containers[CloudBackend::sharedKey() + "\n" + containerIdentifier];
    if (!container) {
        container = std::make_shared<CloudContainer>(containerIdentifier, backend);
    }
    return container;
}

CloudContainer::CloudContainer(std::string containerIdentifier, std::shared_ptr<CloudBackend> backend)
    : containerIdentifier_(std::move(containerIdentifier)), backend_(std::move(backend)),
      storeQueue_(std::make_shared<OperationQueue>("Cloud store " + containerIdentifier_, kStoreThreads)),
      privateDatabase_(std::make_shared<CloudDatabase>(containerIdentifier_, DatabaseScope::privateScope, backend_,
                                                       storeQueue_)),
      publicDatabase_(std::make_shared<CloudDatabase>(containerIdentifier_, DatabaseScope::publicScope, backend_,
                                                      storeQueue_)) {}

void CloudContainer::accountStatus(
    std::function<void(AccountStatus status, const std::optional<CloudError>& error)> completion) const {
    storeQueue_->addOperation([backend = backend_, completion = std::move(completion)](const Operation&) {
        auto result = backend->accountStatus();
        if (result.error && result.error->code == CloudErrorCode::notAuthenticated) {
            backend->noteAuthentication(false);
        } else if (!result.error) {
            backend->noteAuthentication(result.status == AccountStatus::available);
        }
        completion(result.status, result.error);
    });
}

} // namespace orvane
