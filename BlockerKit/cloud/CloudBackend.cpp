#include "cloud/CloudBackend.h"

#include "platform/NotificationCenter.h"

#include <vector>

namespace orvane {

std::variant<CloudBackend::ObserverToken, CloudError> CloudBackend::addEventObserver(EventObserver observer) {
    std::lock_guard lock(mutex_);
    if (!watching_) {
        if (auto error = startWatching()) {
            return *error;
        }
        watching_ = true;
    }
    const ObserverToken token = nextToken_++;
    observers_.emplace(token, std::make_shared<EventObserver>(std::move(observer)));
    return token;
}

void CloudBackend::removeEventObserver(ObserverToken token) {
    {
        std::lock_guard lock(mutex_);
        observers_.erase(token);
    }
    if (dispatchingThread_.load() != std::this_thread::get_id()) {
        std::lock_guard wait(dispatchMutex_);
    }
}

void CloudBackend::dispatch(const CloudEvent& event) {
    std::lock_guard dispatching(dispatchMutex_);
    dispatchingThread_ = std::this_thread::get_id();
    std::vector<std::shared_ptr<EventObserver>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : observers_) {
            observers.push_back(entry.second);
        }
    }
    for (const auto& observer : observers) {
        (*observer)(event);
    }
    dispatchingThread_ = std::thread::id();
}

void CloudBackend::noteAuthentication(bool authenticated) {
    bool changed = false;
    {
        std::lock_guard lock(mutex_);
        changed = authenticated_.has_value() && *authenticated_ != authenticated;
        authenticated_ = authenticated;
    }
    if (changed) {
        NotificationCenter::shared().postOnMain(Notification{kCloudAccountChangedNotification, this, {}});
    }
}

} // namespace orvane
