#pragma once

#include "cloud/CloudTypes.h"
#include "platform/NotificationCenter.h"

#include <optional>
#include <string>

namespace orvane {

// Posted on the main thread when the store pushes a change of a subscribed zone made by
// another device of the user. User info: CloudNotification::userInfo().
inline constexpr const char* kCloudRemoteNotification = "CloudRemoteNotification";

// Posted on the main thread when the account behind the cloud changed: it signed in or out, or
// the server started or stopped accepting its credentials.
inline constexpr const char* kCloudAccountChangedNotification = "CKAccountChangedNotification";

// What a push says: which subscription of which zone fired.
struct CloudNotification {
    std::string containerIdentifier;
    DatabaseScope databaseScope = DatabaseScope::privateScope;
    RecordZoneID recordZoneID;
    std::string subscriptionID;

    UserInfo userInfo() const;
    // Absent when the user info is not that of a push.
    static std::optional<CloudNotification> fromUserInfo(const UserInfo& userInfo);

    bool operator==(const CloudNotification&) const = default;
};

// What one device of the account tells the others.
struct CloudEvent {
    enum class Kind { push, keyValueChange };
    Kind kind = Kind::push;
    CloudNotification notification; // for pushes
};

} // namespace orvane
