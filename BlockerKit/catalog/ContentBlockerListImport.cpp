#include "catalog/ContentBlockerListImport.h"

#include "catalog/RuleKey.h"
#include "model/ShortText.h"
#include "platform/Uuid.h"

#include <algorithm>
#include <unordered_set>

namespace orvane {
namespace {

constexpr std::size_t kNameLength = 40;

bool isObjectWith(const JsonValue& value, std::initializer_list<const char*> keys) {
    return value.IsObject() &&
           std::any_of(keys.begin(), keys.end(), [&](const char* key) { return value.HasMember(key); });
}

// What the entry acts on, as the editors name their rules.
std::string subject(const Blocker& blocker) {
    if (blocker.action.type == ActionType::Hide && blocker.action.selector) {
        return *blocker.action.selector;
    }
    const Trigger& trigger = blocker.trigger;
    if (trigger.urlFilter == ".*" && trigger.domainFilter && !trigger.domainFilter->values.empty()) {
        const auto& domains = trigger.domainFilter->values;
        return domains.size() == 1 ? domains.front() : std::to_string(domains.size()) + " domains";
    }
    return trigger.urlFilter;
}

// Rules are told apart by what they do; ids and names play no part.
std::string blockerKey(const Blocker& blocker) { return ruleContentKey(Rule{{}, {}, blocker}); }

} // namespace

bool isContentBlockerList(const JsonValue& document) {
    if (!document.IsArray()) {
        return false;
    }
    const auto elements = document.GetArray();
    return std::any_of(elements.begin(), elements.end(),
                       [](const JsonValue& element) { return isObjectWith(element, {"trigger", "action"}); }) &&
           std::none_of(elements.begin(), elements.end(),
                        [](const JsonValue& element) { return isObjectWith(element, {"rules"}); });
}

std::string ruleNameForEntry(const Blocker& blocker) {
    const std::string what = shortened(subject(blocker), kNameLength);
    switch (blocker.action.type) {
    case ActionType::Block: return "Block " + what;
    case ActionType::BlockCookies: return "Block cookies " + what;
    case ActionType::Hide: return "Hide " + what;
    case ActionType::IgnorePreviousRules: return "Whitelist " + what;
    case ActionType::makeHttps: return "Make " + what + " HTTPS-only";
    }
    return what;
}

std::vector<Package> packagesForContentBlockerList(const std::string& name, const std::vector<Blocker>& entries,
                                                   const std::vector<Package>& custom) {
    auto namesake = std::find_if(custom.begin(), custom.end(), [&](const Package& p) { return p.name == name; });
    Package package = namesake != custom.end() ? *namesake : Package{makeUUID(), name, {}};
    if (entries.empty() && namesake == custom.end()) {
        return {};
    }
    std::unordered_set<std::string> held;
    for (const auto& rule : package.rules) {
        held.insert(blockerKey(rule.blocker));
    }
    for (const auto& entry : entries) {
        if (namesake != custom.end() && held.contains(blockerKey(entry))) {
            continue;
        }
        package.rules.push_back(Rule{makeUUID(), ruleNameForEntry(entry), entry});
    }
    return {std::move(package)};
}

} // namespace orvane
