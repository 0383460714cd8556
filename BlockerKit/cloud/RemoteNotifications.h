#pragma once

#include "cloud/CloudBackend.h"
#include "cloud/CloudNotification.h"

#include <functional>
#include <memory>
#include <optional>

namespace orvane {

// Delivers the pushes of the backend's subscribed zones to this process: each becomes a
// kCloudRemoteNotification on the main thread. The completion runs on the main thread, with
// the error when this cloud cannot push. Registering again changes nothing.
class RemoteNotifications {
public:
    explicit RemoteNotifications(std::shared_ptr<CloudBackend> backend) : backend_(std::move(backend)) {}
    ~RemoteNotifications();
    RemoteNotifications(const RemoteNotifications&) = delete;
    RemoteNotifications& operator=(const RemoteNotifications&) = delete;

    // The registration of this process's account (ORVANE_CLOUD).
    static RemoteNotifications& shared();

    void registerForRemoteNotifications(std::function<void(const std::optional<CloudError>& error)> completion);

private:
    std::shared_ptr<CloudBackend> backend_;
    std::optional<CloudBackend::ObserverToken> token_;
};

} // namespace orvane
