#include "cloud/CloudNotification.h"

namespace orvane {

UserInfo CloudNotification::userInfo() const {
    return UserInfo{{"containerIdentifier", containerIdentifier},
                    {"databaseScope", std::string(databaseScopeName(databaseScope))},
                    {"zoneName", recordZoneID.zoneName},
                    {"subscriptionID", subscriptionID}};
}

std::optional<CloudNotification> CloudNotification::fromUserInfo(const UserInfo& userInfo) {
    auto text = [&](const char* key) -> std::optional<std::string> {
        auto it = userInfo.find(key);
        if (it == userInfo.end() || !std::holds_alternative<std::string>(it->second)) {
            return std::nullopt;
        }
        return std::get<std::string>(it->second);
    };
    auto container = text("containerIdentifier");
    auto scope = text("databaseScope");
    auto zone = text("zoneName");
    auto subscription = text("subscriptionID");
    if (!container || !scope || !zone || !subscription || (*scope != "public" && *scope != "private")) {
        return std::nullopt;
    }
    return CloudNotification{*container, *scope == "public" ? DatabaseScope::publicScope : DatabaseScope::privateScope,
                             RecordZoneID{*zone}, *subscription};
}

} // namespace orvane
