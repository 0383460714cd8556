#include "cloud/RemoteNotifications.h"

#include "platform/HomeInstances.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

namespace orvane {

RemoteNotifications& RemoteNotifications::shared() {
    static HomeInstances<RemoteNotifications> notifications;
    return *notifications.get(CloudBackend::sharedKey(),
                              [] { return std::make_shared<RemoteNotifications>(CloudBackend::shared()); });
}

RemoteNotifications::~RemoteNotifications() {
    if (token_) {
        backend_->removeEventObserver(*token_);
    }
}

void RemoteNotifications::registerForRemoteNotifications(
    std::function<void(const std::optional<CloudError>& error)> completion) {
    std::optional<CloudError> error;
    if (!token_) {
        auto answer = backend_->addEventObserver([](const CloudEvent& event) {
            if (event.kind == CloudEvent::Kind::push) {
                NotificationCenter::shared().postOnMain(
                    Notification{kCloudRemoteNotification, nullptr, event.notification.userInfo()});
            }
        });
        if (const auto* token = std::get_if<CloudBackend::ObserverToken>(&answer)) {
            token_ = *token;
        } else {
            error = std::get<CloudError>(answer);
        }
    }
    runOnMain([completion = std::move(completion), error] { completion(error); });
}

} // namespace orvane
