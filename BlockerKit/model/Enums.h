#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace orvane {

// The first nine are the types the editors offer; WebKit knows the rest as well. New cases go at
// the end: stored rule keys and cloud records rely on these numbers and names.
enum class ResourceType {
    Document,
    Image,
    StyleSheet,
    Script,
    Font,
    Raw,
    SVG,
    Media,
    Popup,
    Fetch,
    WebSocket,
    Other,
    Ping,
    CSPReport,
    ChildDocument,
    TopDocument,
};
enum class LoadType { FirstParty, ThirdParty };
enum class LoadContext { TopFrame, ChildFrame };
enum class DomainFilterType { IfDomain, UnlessDomain };
enum class TopURLFilterType { IfTopURL, UnlessTopURL };
enum class FrameURLFilterType { IfFrameURL, UnlessFrameURL };
enum class ActionType { Block, BlockCookies, Hide, IgnorePreviousRules, makeHttps };
// The text form of each case is the id of the configurable package of that kind.
enum class ConfigurablePackageType { BlockURL, BlockCookies, HideElements, Whitelist, makeHttps };
// The text form is the package file's name.
enum class PackageType {
    blockAds,
    blockAdult,
    blockAnnoyances,
    blockComments,
    blockTrackers,
    blockInternational,
    blockCustom,
    PreinstalledPackages,
    ConfigurablePackages,
    CustomPackages,
};

// Every case in declaration order.
inline constexpr std::array kResourceTypes{
    ResourceType::Document,      ResourceType::Image,      ResourceType::StyleSheet, ResourceType::Script,
    ResourceType::Font,          ResourceType::Raw,        ResourceType::SVG,        ResourceType::Media,
    ResourceType::Popup,         ResourceType::Fetch,      ResourceType::WebSocket,  ResourceType::Other,
    ResourceType::Ping,          ResourceType::CSPReport,  ResourceType::ChildDocument, ResourceType::TopDocument};
// How many of kResourceTypes builds before WebKit's whole list knew: their readers drop the others.
inline constexpr std::size_t kFirstResourceTypes = 9;
inline constexpr std::array kLoadTypes{LoadType::FirstParty, LoadType::ThirdParty};
inline constexpr std::array kLoadContexts{LoadContext::TopFrame, LoadContext::ChildFrame};
inline constexpr std::array kDomainFilterTypes{DomainFilterType::IfDomain, DomainFilterType::UnlessDomain};
inline constexpr std::array kTopURLFilterTypes{TopURLFilterType::IfTopURL, TopURLFilterType::UnlessTopURL};
inline constexpr std::array kFrameURLFilterTypes{FrameURLFilterType::IfFrameURL, FrameURLFilterType::UnlessFrameURL};
inline constexpr std::array kActionTypes{ActionType::Block, ActionType::BlockCookies, ActionType::Hide,
                                         ActionType::IgnorePreviousRules, ActionType::makeHttps};
inline constexpr std::array kConfigurablePackageTypes{
    ConfigurablePackageType::BlockURL, ConfigurablePackageType::BlockCookies, ConfigurablePackageType::HideElements,
    ConfigurablePackageType::Whitelist, ConfigurablePackageType::makeHttps};
inline constexpr std::array kPackageTypes{
    PackageType::blockAds,        PackageType::blockAdult,           PackageType::blockAnnoyances,
    PackageType::blockComments,   PackageType::blockTrackers,        PackageType::blockInternational,
    PackageType::blockCustom,     PackageType::PreinstalledPackages, PackageType::ConfigurablePackages,
    PackageType::CustomPackages};

std::string_view rawValue(ResourceType value);
std::string_view rawValue(LoadType value);
std::string_view rawValue(LoadContext value);
std::string_view rawValue(DomainFilterType value);
std::string_view rawValue(TopURLFilterType value);
std::string_view rawValue(FrameURLFilterType value);
std::string_view rawValue(ActionType value);
std::string_view rawValue(ConfigurablePackageType value);
std::string_view rawValue(PackageType value);

// Exact, case-sensitive match of the text form; other text matches no case.
template <typename Enum>
std::optional<Enum> fromRawValue(std::string_view text);

template <>
std::optional<ResourceType> fromRawValue<ResourceType>(std::string_view text);
template <>
std::optional<LoadType> fromRawValue<LoadType>(std::string_view text);
template <>
std::optional<LoadContext> fromRawValue<LoadContext>(std::string_view text);
template <>
std::optional<DomainFilterType> fromRawValue<DomainFilterType>(std::string_view text);
template <>
std::optional<TopURLFilterType> fromRawValue<TopURLFilterType>(std::string_view text);
template <>
std::optional<FrameURLFilterType> fromRawValue<FrameURLFilterType>(std::string_view text);
template <>
std::optional<ActionType> fromRawValue<ActionType>(std::string_view text);
template <>
std::optional<ConfigurablePackageType> fromRawValue<ConfigurablePackageType>(std::string_view text);
template <>
std::optional<PackageType> fromRawValue<PackageType>(std::string_view text);

// The request methods WebKit's "request-method" takes, in its order. WebKit compares them
// without regard to ASCII case, so a rule keeps the method as written.
inline constexpr std::array<std::string_view, 9> kRequestMethods{"get", "head",  "options", "trace",  "put",
                                                                 "delete", "post", "patch",  "connect"};
bool isRequestMethod(std::string_view text);

} // namespace orvane
