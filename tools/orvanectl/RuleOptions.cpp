#include "RuleOptions.h"


#include <glib.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace orvane::cli {
namespace {

using Problem = std::optional<std::string>;

Problem setOnce(std::string_view option, std::optional<std::string>& field, const std::string& value) {
    if (field) {
        return std::string(option) + " is given twice";
    }
    field = value;
    return std::nullopt;
}

Problem setLoadType(RuleOptions& options, const std::string& value) {
    auto type = fromRawValue<LoadType>(value);
    if (!type) {
        return "unknown load type '" + value + "' (first-party or third-party)";
    }
    if (options.loadTypeSegment != 0) {
        return "--load-type is given twice";
    }
    const auto position = std::find(kEditorLoadTypes.begin(), kEditorLoadTypes.end(), *type) - kEditorLoadTypes.begin();
    options.loadTypeSegment = static_cast<int>(position) + 1;
    return std::nullopt;
}

Problem selectResourceType(RuleOptions& options, const std::string& value) {
    auto type = fromRawValue<ResourceType>(value);
    if (!type) {
        return "unknown resource type '" + value + "'";
    }
    if (resourceTypeSegment(*type) == kEditorResourceTypes.size()) {
        return "the URL editor offers no resource type '" + value + "'";
    }
    options.resourceTypes.set(resourceTypeSegment(*type));
    return std::nullopt;
}

struct ValueOption {
    std::string_view name;
    Problem (*apply)(RuleOptions& options, const std::string& value);
};

constexpr std::array kValueOptions{
    ValueOption{"--name", [](RuleOptions& o, const std::string& v) { return setOnce("--name", o.name, v); }},
    ValueOption{"--id",
                [](RuleOptions& o, const std::string& v) -> Problem {
                    if (v.empty()) {
                        return "--id needs a non-empty value";
                    }
                    return setOnce("--id", o.id, v);
                }},
    ValueOption{"--url-filter",
                [](RuleOptions& o, const std::string& v) { return setOnce("--url-filter", o.urlFilter, v); }},
    ValueOption{"--selector",
                [](RuleOptions& o, const std::string& v) { return setOnce("--selector", o.selector, v); }},
    ValueOption{"--resource-type", selectResourceType},
    ValueOption{"--load-type", setLoadType},
    ValueOption{"--domain",
                [](RuleOptions& o, const std::string& v) -> Problem {
                    o.domainRows.push_back(v);
                    return std::nullopt;
                }},
};

Problem selectDomainFilter(RuleOptions& options, DomainFilterSelector item) {
    const int chosen = static_cast<int>(item);
    if (options.domainFilterItem != static_cast<int>(DomainFilterSelector::All) && options.domainFilterItem != chosen) {
        return "--if-domain and --unless-domain exclude each other";
    }
    options.domainFilterItem = chosen;
    return std::nullopt;
}

struct FlagOption {
    std::string_view name;
    Problem (*apply)(RuleOptions& options);
};

constexpr std::array kFlagOptions{
    FlagOption{"--if-domain", [](RuleOptions& o) { return selectDomainFilter(o, DomainFilterSelector::IfDomain); }},
    FlagOption{"--unless-domain",
               [](RuleOptions& o) { return selectDomainFilter(o, DomainFilterSelector::UnlessDomain); }},
    FlagOption{"--include-subdomains",
               [](RuleOptions& o) -> Problem {
                   o.includeSubdomains = true;
                   return std::nullopt;
               }},
};

template <typename Option, std::size_t N>
const Option* findOption(const std::array<Option, N>& options, std::string_view name) {
    auto it = std::find_if(options.begin(), options.end(), [&](const Option& option) { return option.name == name; });
    return it == options.end() ? nullptr : &*it;
}

} // namespace

ParsedRuleOptions parseRuleOptions(Arguments arguments) {
    ParsedRuleOptions parsed;
    for (std::size_t i = 0; i < arguments.size() && !parsed.problem; ++i) {
        const std::string& argument = arguments[i];
        if (const FlagOption* flag = findOption(kFlagOptions, argument)) {
            parsed.problem = flag->apply(parsed.options);
            continue;
        }
        const ValueOption* option = findOption(kValueOptions, argument);
        if (option == nullptr) {
            parsed.problem = argument.starts_with('-') ? "unknown option '" + argument + "'"
                                                       : "unexpected argument '" + argument + "'";
        } else if (i + 1 == arguments.size()) {
            parsed.problem = argument + " needs a value";
        } else if (const std::string& value = arguments[++i];
                   !g_utf8_validate(value.data(), static_cast<gssize>(value.size()), nullptr)) {
            parsed.problem = "the value of " + argument + " is not UTF-8 text";
        } else {
            parsed.problem = option->apply(parsed.options, value);
        }
    }
    return parsed;
}

std::optional<std::string> inapplicableOption(ConfigurablePackageType kind, const RuleOptions& options) {
    const bool url = kind == ConfigurablePackageType::BlockURL;
    const bool cookies = kind == ConfigurablePackageType::BlockCookies;
    const bool hide = kind == ConfigurablePackageType::HideElements;
    if (options.urlFilter && !url) {
        return "--url-filter";
    }
    if (options.resourceTypes.any() && !url) {
        return "--resource-type";
    }
    if (options.selector && !hide) {
        return "--selector";
    }
    if (options.loadTypeSegment != 0 && !url && !cookies) {
        return "--load-type";
    }
    // The HTTPS and exemption editors take their domains from the table alone.
    if (options.domainFilterItem != static_cast<int>(DomainFilterSelector::All) && !url && !cookies && !hide) {
        return options.domainFilterItem == static_cast<int>(DomainFilterSelector::IfDomain) ? "--if-domain"
                                                                                            : "--unless-domain";
    }
    return std::nullopt;
}

EditorInput applyOptions(EditorInput base, const RuleOptions& options) {
    if (options.name) {
        base.name = *options.name;
    }
    if (options.urlFilter) {
        base.urlFilter = *options.urlFilter;
    }
    if (options.selector) {
        base.selector = *options.selector;
    }
    if (options.resourceTypes.any()) {
        base.resourceTypes = options.resourceTypes;
    }
    if (options.loadTypeSegment != 0) {
        base.loadTypeSegment = options.loadTypeSegment;
    }
    if (options.domainFilterItem != static_cast<int>(DomainFilterSelector::All)) {
        base.domainFilter = static_cast<DomainFilterSelector>(options.domainFilterItem);
    }
    if (!options.domainRows.empty()) {
        base.domainRows = options.domainRows;
    }
    if (options.includeSubdomains) {
        base.includeSubdomains = true;
    }
    return base;
}

} // namespace orvane::cli
