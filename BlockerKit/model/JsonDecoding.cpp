#include "model/JsonDecoding.h"

#include "platform/Log.h"
#include "platform/Uuid.h"

#include <array>
#include <string_view>

namespace orvane {
namespace {

// The first members of an object with the given keys, in one pass over its members (null for a
// key that is missing, and for every key when the value is not an object). Package files hold
// tens of thousands of small objects, so one pass beats a look-up per key.
template <std::size_t N>
std::array<const JsonValue*, N> members(const JsonValue& object, const std::array<std::string_view, N>& keys) {
    std::array<const JsonValue*, N> found{};
    if (!object.IsObject()) {
        return found;
    }
    for (const auto& member : object.GetObject()) {
        const std::string_view name(member.name.GetString(), member.name.GetStringLength());
        for (std::size_t i = 0; i < N; ++i) {
            if (found[i] == nullptr && name == keys[i]) {
                found[i] = &member.value;
                break;
            }
        }
    }
    return found;
}

std::optional<std::string> stringValue(const JsonValue* value) {
    if (value == nullptr || !value->IsString()) {
        return std::nullopt;
    }
    return std::string(value->GetString(), value->GetStringLength());
}

bool isStringArray(const JsonValue* value) {
    if (value == nullptr || !value->IsArray()) {
        return false;
    }
    for (const auto& element : value->GetArray()) {
        if (!element.IsString()) {
            return false;
        }
    }
    return true;
}

// An array whose elements are all strings; absent otherwise.
std::optional<std::vector<std::string>> stringArrayValue(const JsonValue* value) {
    if (!isStringArray(value)) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(value->Size());
    for (const auto& element : value->GetArray()) {
        strings.emplace_back(element.GetString(), element.GetStringLength());
    }
    return strings;
}

// Known text forms in order, unknown ones dropped; present even when it ends up empty.
template <typename Enum>
std::optional<std::vector<Enum>> enumArrayValue(const JsonValue* value) {
    if (!isStringArray(value)) {
        return std::nullopt;
    }
    std::vector<Enum> values;
    values.reserve(value->Size());
    for (const auto& element : value->GetArray()) {
        if (auto converted = fromRawValue<Enum>(std::string_view(element.GetString(), element.GetStringLength()))) {
            values.push_back(*converted);
        }
    }
    return values;
}

// The "id" string, or a fresh UUID when there is none.
std::string idValue(const JsonValue* value) {
    auto id = stringValue(value);
    return id ? std::move(*id) : makeUUID();
}

// A missing member reads like JSON null, so its reader logs why it failed.
const JsonValue& orNull(const JsonValue* value) {
    static const JsonValue null;
    return value != nullptr ? *value : null;
}

bool boolValue(const JsonValue* value) {
    if (value == nullptr) {
        return false;
    }
    if (value->IsBool()) {
        return value->GetBool();
    }
    if (value->IsNumber()) {
        return value->GetDouble() != 0.0;
    }
    return false;
}

constexpr std::array<std::string_view, 6> kTriggerKeys{
    "url-filter", "url-filter-is-case-sensitive", "resource-type", "load-type", "if-domain", "unless-domain"};
constexpr std::array<std::string_view, 2> kActionKeys{"type", "selector"};
constexpr std::array<std::string_view, 3> kRuleKeys{"id", "name", "content"};
constexpr std::array<std::string_view, 2> kContentKeys{"trigger", "action"};
constexpr std::array<std::string_view, 3> kPackageKeys{"id", "name", "rules"};

} // namespace

std::optional<Trigger> triggerFromJSON(const JsonValue& value) {
    const auto [urlFilter, caseSensitive, resourceTypes, loadType, ifDomain, unlessDomain] = members(value, kTriggerKeys);
    auto filter = stringValue(urlFilter);
    if (!filter) {
        log("url-filter is empty");
        return std::nullopt;
    }
    Trigger trigger;
    trigger.urlFilter = std::move(*filter);
    trigger.caseSensitive = boolValue(caseSensitive);
    trigger.resourceTypes = enumArrayValue<ResourceType>(resourceTypes);
    trigger.loadType = enumArrayValue<LoadType>(loadType);
    if (auto domains = stringArrayValue(ifDomain)) {
        trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(*domains)};
    } else if (auto unlessDomains = stringArrayValue(unlessDomain)) {
        trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, std::move(*unlessDomains)};
    }
    return trigger;
}

std::optional<Action> actionFromJSON(const JsonValue& value) {
    const auto [typeValue, selector] = members(value, kActionKeys);
    auto type = fromRawValue<ActionType>(stringValue(typeValue).value_or(""));
    if (!type) {
        log("action type is empty");
        return std::nullopt;
    }
    return Action{*type, stringValue(selector)};
}

std::optional<Rule> ruleFromJSON(const JsonValue& value) {
    const auto [id, name, content] = members(value, kRuleKeys);
    const auto [triggerValue, actionValue] = members(orNull(content), kContentKeys);
    auto trigger = triggerFromJSON(orNull(triggerValue));
    if (!trigger) {
        log("trigger init failed");
        log("blocker init failed");
        return std::nullopt;
    }
    auto action = actionFromJSON(orNull(actionValue));
    if (!action) {
        log("action init failed");
        log("blocker init failed");
        return std::nullopt;
    }
    return Rule{idValue(id), stringValue(name).value_or(""), Blocker{std::move(*trigger), std::move(*action)}};
}

std::vector<Rule> rulesFromJSON(const JsonValue& value) {
    std::vector<Rule> rules;
    if (!value.IsArray()) {
        return rules;
    }
    rules.reserve(value.Size());
    for (const auto& element : value.GetArray()) {
        if (auto rule = ruleFromJSON(element)) {
            rules.push_back(std::move(*rule));
        }
    }
    return rules;
}

std::optional<Package> packageFromJSON(const JsonValue& value) {
    if (!value.IsObject()) {
        return std::nullopt;
    }
    const auto [id, name, rules] = members(value, kPackageKeys);
    Package package;
    package.id = idValue(id);
    package.name = stringValue(name).value_or("");
    if (rules != nullptr) {
        package.rules = rulesFromJSON(*rules);
    }
    return package;
}

std::vector<Package> packagesFromJSON(const JsonValue& value) {
    std::vector<Package> packages;
    if (!value.IsArray()) {
        return packages;
    }
    packages.reserve(value.Size());
    for (const auto& element : value.GetArray()) {
        if (auto package = packageFromJSON(element)) {
            packages.push_back(std::move(*package));
        }
    }
    return packages;
}

} // namespace orvane
