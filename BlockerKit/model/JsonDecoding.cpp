#include "model/JsonDecoding.h"

#include "platform/Log.h"
#include "platform/Uuid.h"

namespace orvane {
namespace {

const JsonValue* member(const JsonValue& object, const char* key) {
    if (!object.IsObject()) {
        return nullptr;
    }
    auto it = object.FindMember(key);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

std::optional<std::string> stringMember(const JsonValue& object, const char* key) {
    const JsonValue* value = member(object, key);
    if (value == nullptr || !value->IsString()) {
        return std::nullopt;
    }
    return std::string(value->GetString(), value->GetStringLength());
}

// An array whose elements are all strings; absent otherwise.
std::optional<std::vector<std::string>> stringArrayMember(const JsonValue& object, const char* key) {
    const JsonValue* value = member(object, key);
    if (value == nullptr || !value->IsArray()) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(value->Size());
    for (const auto& element : value->GetArray()) {
        if (!element.IsString()) {
            return std::nullopt;
        }
        strings.emplace_back(element.GetString(), element.GetStringLength());
    }
    return strings;
}

// Known text forms in order, unknown ones dropped; present even when it ends up empty.
template <typename Enum>
std::optional<std::vector<Enum>> enumArrayMember(const JsonValue& object, const char* key) {
    auto strings = stringArrayMember(object, key);
    if (!strings) {
        return std::nullopt;
    }
    std::vector<Enum> values;
    for (const auto& text : *strings) {
        if (auto value = fromRawValue<Enum>(text)) {
            values.push_back(*value);
        }
    }
    return values;
}

// The "id" string, or a fresh UUID when there is none.
std::string idMember(const JsonValue& object) {
    auto id = stringMember(object, "id");
    return id ? std::move(*id) : makeUUID();
}

// A missing member reads like JSON null, so its reader logs why it failed.
const JsonValue& memberOrNull(const JsonValue& object, const char* key) {
    static const JsonValue null;
    const JsonValue* value = member(object, key);
    return value != nullptr ? *value : null;
}

bool boolMember(const JsonValue& object, const char* key) {
    const JsonValue* value = member(object, key);
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

} // namespace

std::optional<Trigger> triggerFromJSON(const JsonValue& value) {
    auto urlFilter = stringMember(value, "url-filter");
    if (!urlFilter) {
        log("url-filter is empty");
        return std::nullopt;
    }
    Trigger trigger;
    trigger.urlFilter = std::move(*urlFilter);
    trigger.caseSensitive = boolMember(value, "url-filter-is-case-sensitive");
    trigger.resourceTypes = enumArrayMember<ResourceType>(value, "resource-type");
    trigger.loadType = enumArrayMember<LoadType>(value, "load-type");
    if (auto domains = stringArrayMember(value, "if-domain")) {
        trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(*domains)};
    } else if (auto unlessDomains = stringArrayMember(value, "unless-domain")) {
        trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, std::move(*unlessDomains)};
    }
    return trigger;
}

std::optional<Action> actionFromJSON(const JsonValue& value) {
    auto type = fromRawValue<ActionType>(stringMember(value, "type").value_or(""));
    if (!type) {
        log("action type is empty");
        return std::nullopt;
    }
    return Action{*type, stringMember(value, "selector")};
}

std::optional<Rule> ruleFromJSON(const JsonValue& value) {
    const JsonValue& content = memberOrNull(value, "content");
    auto trigger = triggerFromJSON(memberOrNull(content, "trigger"));
    if (!trigger) {
        log("trigger init failed");
        log("blocker init failed");
        return std::nullopt;
    }
    auto action = actionFromJSON(memberOrNull(content, "action"));
    if (!action) {
        log("action init failed");
        log("blocker init failed");
        return std::nullopt;
    }
    return Rule{idMember(value), stringMember(value, "name").value_or(""),
                Blocker{std::move(*trigger), std::move(*action)}};
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
    Package package;
    package.id = idMember(value);
    package.name = stringMember(value, "name").value_or("");
    if (const JsonValue* rules = member(value, "rules")) {
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
