#include "model/Enums.h"

#include <algorithm>

namespace orvane {
namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> findCase(const std::array<Enum, N>& cases, std::string_view text) {
    for (Enum value : cases) {
        if (rawValue(value) == text) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

std::string_view rawValue(ResourceType value) {
    switch (value) {
    case ResourceType::Document: return "document";
    case ResourceType::Image: return "image";
    case ResourceType::StyleSheet: return "style-sheet";
    case ResourceType::Script: return "script";
    case ResourceType::Font: return "font";
    case ResourceType::Raw: return "raw";
    case ResourceType::SVG: return "svg-document";
    case ResourceType::Media: return "media";
    case ResourceType::Popup: return "popup";
    case ResourceType::Fetch: return "fetch";
    case ResourceType::WebSocket: return "websocket";
    case ResourceType::Other: return "other";
    case ResourceType::Ping: return "ping";
    case ResourceType::CSPReport: return "csp-report";
    case ResourceType::ChildDocument: return "child-document";
    case ResourceType::TopDocument: return "top-document";
    }
    return {};
}

std::string_view rawValue(LoadType value) {
    switch (value) {
    case LoadType::FirstParty: return "first-party";
    case LoadType::ThirdParty: return "third-party";
    }
    return {};
}

std::string_view rawValue(LoadContext value) {
    switch (value) {
    case LoadContext::TopFrame: return "top-frame";
    case LoadContext::ChildFrame: return "child-frame";
    }
    return {};
}

std::string_view rawValue(DomainFilterType value) {
    switch (value) {
    case DomainFilterType::IfDomain: return "if-domain";
    case DomainFilterType::UnlessDomain: return "unless-domain";
    }
    return {};
}

std::string_view rawValue(TopURLFilterType value) {
    switch (value) {
    case TopURLFilterType::IfTopURL: return "if-top-url";
    case TopURLFilterType::UnlessTopURL: return "unless-top-url";
    }
    return {};
}

std::string_view rawValue(FrameURLFilterType value) {
    switch (value) {
    case FrameURLFilterType::IfFrameURL: return "if-frame-url";
    case FrameURLFilterType::UnlessFrameURL: return "unless-frame-url";
    }
    return {};
}

std::string_view rawValue(ActionType value) {
    switch (value) {
    case ActionType::Block: return "block";
    case ActionType::BlockCookies: return "block-cookies";
    case ActionType::Hide: return "css-display-none";
    case ActionType::IgnorePreviousRules: return "ignore-previous-rules";
    case ActionType::makeHttps: return "make-https";
    }
    return {};
}

std::string_view rawValue(ConfigurablePackageType value) {
    switch (value) {
    case ConfigurablePackageType::BlockURL: return "block-url";
    case ConfigurablePackageType::BlockCookies: return "block-cookies";
    case ConfigurablePackageType::HideElements: return "hide-elements";
    case ConfigurablePackageType::Whitelist: return "whitelist";
    case ConfigurablePackageType::makeHttps: return "make-https";
    }
    return {};
}

std::string_view rawValue(PackageType value) {
    switch (value) {
    case PackageType::blockAds: return "block-ads.json";
    case PackageType::blockAdult: return "block-adult.json";
    case PackageType::blockAnnoyances: return "block-annoyances.json";
    case PackageType::blockComments: return "block-comments.json";
    case PackageType::blockTrackers: return "block-trackers.json";
    case PackageType::blockInternational: return "block-international.json";
    case PackageType::blockCustom: return "block-custom.json";
    case PackageType::PreinstalledPackages: return "PreinstalledPackages.json";
    case PackageType::ConfigurablePackages: return "ConfigurablePackages.json";
    case PackageType::CustomPackages: return "CustomPackages.json";
    }
    return {};
}

template <>
std::optional<ResourceType> fromRawValue<ResourceType>(std::string_view text) {
    return findCase(kResourceTypes, text);
}
template <>
std::optional<LoadType> fromRawValue<LoadType>(std::string_view text) {
    return findCase(kLoadTypes, text);
}
template <>
std::optional<LoadContext> fromRawValue<LoadContext>(std::string_view text) {
    return findCase(kLoadContexts, text);
}
template <>
std::optional<DomainFilterType> fromRawValue<DomainFilterType>(std::string_view text) {
    return findCase(kDomainFilterTypes, text);
}
template <>
std::optional<TopURLFilterType> fromRawValue<TopURLFilterType>(std::string_view text) {
    return findCase(kTopURLFilterTypes, text);
}
template <>
std::optional<FrameURLFilterType> fromRawValue<FrameURLFilterType>(std::string_view text) {
    return findCase(kFrameURLFilterTypes, text);
}
template <>
std::optional<ActionType> fromRawValue<ActionType>(std::string_view text) {
    return findCase(kActionTypes, text);
}
template <>
std::optional<ConfigurablePackageType> fromRawValue<ConfigurablePackageType>(std::string_view text) {
    return findCase(kConfigurablePackageTypes, text);
}
template <>
std::optional<PackageType> fromRawValue<PackageType>(std::string_view text) {
    return findCase(kPackageTypes, text);
}

bool isRequestMethod(std::string_view text) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::any_of(kRequestMethods.begin(), kRequestMethods.end(), [&](std::string_view method) {
        return method.size() == text.size() &&
               std::equal(method.begin(), method.end(), text.begin(), [&](char a, char b) { return a == lower(b); });
    });
}

} // namespace orvane
