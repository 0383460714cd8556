#include "platform/NotificationCenter.h"

#include "platform/MainQueue.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace orvane {

std::optional<std::string> Notification::stringValue(const std::string& key) const {
    auto it = userInfo.find(key);
    if (it == userInfo.end() || !std::holds_alternative<std::string>(it->second)) {
        return std::nullopt;
    }
    return std::get<std::string>(it->second);
}

std::optional<bool> Notification::boolValue(const std::string& key) const {
    auto it = userInfo.find(key);
    if (it == userInfo.end() || !std::holds_alternative<bool>(it->second)) {
        return std::nullopt;
    }
    return std::get<bool>(it->second);
}

NotificationCenter& NotificationCenter::shared() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Observer observer) {
    std::lock_guard lock(mutex_);
    const Token token = nextToken_++;
    entries_.push_back({token, std::move(name), std::make_shared<Observer>(std::move(observer))});
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [token](const Entry& entry) { return entry.token == token; });
}

void NotificationCenter::post(const Notification& notification) {
    // Observers run outside the lock so that they may post or (un)register themselves.
    std::vector<std::shared_ptr<Observer>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if (entry.name == notification.name) {
                observers.push_back(entry.observer);
            }
        }
    }
    for (const auto& observer : observers) {
        (*observer)(notification);
    }
}

void NotificationCenter::post(std::string name, const void* object, UserInfo userInfo) {
    post(Notification{std::move(name), object, std::move(userInfo)});
}

void NotificationCenter::postOnMain(Notification notification) {
    runOnMain([this, notification = std::move(notification)] { post(notification); });
}

ObserverRegistration::ObserverRegistration(std::string name, NotificationCenter::Observer observer,
                                           NotificationCenter& center)
    : center_(&center), token_(center.addObserver(std::move(name), std::move(observer))) {}

ObserverRegistration::ObserverRegistration(ObserverRegistration&& other) noexcept
    : center_(std::exchange(other.center_, nullptr)), token_(std::exchange(other.token_, 0)) {}

ObserverRegistration& ObserverRegistration::operator=(ObserverRegistration&& other) noexcept {
    if (this != &other) {
        if (center_ != nullptr) {
            center_->removeObserver(token_);
        }
        center_ = std::exchange(other.center_, nullptr);
        token_ = std::exchange(other.token_, 0);
    }
    return *this;
}

ObserverRegistration::~ObserverRegistration() {
    if (center_ != nullptr) {
        center_->removeObserver(token_);
    }
}

void showMessage(const std::string& message, bool warning) {
    NotificationCenter::shared().post(kDisplayInformation, nullptr,
                                      UserInfo{{"message", message}, {"warning", warning}});
}

} // namespace orvane
