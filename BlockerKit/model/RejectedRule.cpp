#include "model/RejectedRule.h"

namespace orvane {

void showMessage(const std::string& message, bool warning, const std::optional<RejectedRule>& rejected) {
    UserInfo info{{"message", message}, {"warning", warning}};
    if (rejected) {
        info.emplace(kRejectedPackageIdKey, rejected->packageId);
        info.emplace(kRejectedRuleIdKey, rejected->ruleId);
    }
    NotificationCenter::shared().post(kDisplayInformation, nullptr, std::move(info));
}

} // namespace orvane
