#include "model/EditorKinds.h"

namespace orvane {

ConfigurablePackageType editorKindForAction(ActionType type) {
    switch (type) {
    case ActionType::IgnorePreviousRules: return ConfigurablePackageType::Whitelist;
    case ActionType::Hide: return ConfigurablePackageType::HideElements;
    case ActionType::Block: return ConfigurablePackageType::BlockURL;
    case ActionType::BlockCookies: return ConfigurablePackageType::BlockCookies;
    case ActionType::makeHttps: return ConfigurablePackageType::makeHttps;
    }
    return ConfigurablePackageType::BlockURL;
}

std::string_view editorIDForKind(ConfigurablePackageType kind) {
    switch (kind) {
    case ConfigurablePackageType::Whitelist: return "WhitelistCreator";
    case ConfigurablePackageType::HideElements: return "CSSBlockerCreator";
    case ConfigurablePackageType::BlockURL: return "URLBlockerCreator";
    case ConfigurablePackageType::BlockCookies: return "CookiesCreator";
    case ConfigurablePackageType::makeHttps: return "MakeHttpsCreator";
    }
    return "URLBlockerCreator";
}

std::optional<ConfigurablePackageType> packageKind(std::string_view packageId) {
    return fromRawValue<ConfigurablePackageType>(packageId);
}

} // namespace orvane
