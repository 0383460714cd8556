#include "filterlists/NetworkFilters.h"

#include "filterlists/RegexFilters.h"
#include "filterlists/Sites.h"
#include "filterlists/UrlPatterns.h"
#include "model/ShortText.h"

#include <algorithm>
#include <array>
#include <utility>

namespace orvane::filterlists {
namespace {

// The resource types of Adblock Plus filters, as bits.
enum TypeBit : unsigned {
    kScript = 1u << 0,
    kImage = 1u << 1,
    kStyleSheet = 1u << 2,
    kObject = 1u << 3,
    kXmlHttpRequest = 1u << 4,
    kSubdocument = 1u << 5,
    kMedia = 1u << 6,
    kFont = 1u << 7,
    kPopup = 1u << 8,
    kWebSocket = 1u << 9,
    kPing = 1u << 10,
    kOther = 1u << 11,
    kDocument = 1u << 12,
};
// A filter without type options applies to every load but popups and pages.
constexpr unsigned kDefaultTypes = kScript | kImage | kStyleSheet | kObject | kXmlHttpRequest | kSubdocument |
                                   kMedia | kFont | kWebSocket | kPing | kOther;

constexpr std::array<std::pair<std::string_view, unsigned>, 18> kTypeOptions{{
    {"script", kScript},
    {"image", kImage},
    {"stylesheet", kStyleSheet},
    {"css", kStyleSheet},
    {"object", kObject},
    {"xmlhttprequest", kXmlHttpRequest},
    {"xhr", kXmlHttpRequest},
    {"subdocument", kSubdocument},
    {"frame", kSubdocument},
    {"media", kMedia},
    {"font", kFont},
    {"popup", kPopup},
    {"websocket", kWebSocket},
    {"ping", kPing},
    {"beacon", kPing},
    {"other", kOther},
    {"document", kDocument},
    {"doc", kDocument},
}};

// WebKit's types for each. WebKit has no plugins, so "object" loads never happen there; what
// Adblock Plus calls "other" covers the kinds WebKit names on their own (SVG documents, CSP
// reports). "document" in a blocking filter is the page itself, the top document.
std::vector<ResourceType> webkitTypes(unsigned types) {
    std::vector<ResourceType> result;
    auto add = [&](unsigned bit, std::initializer_list<ResourceType> kinds) {
        if ((types & bit) != 0) {
            result.insert(result.end(), kinds);
        }
    };
    add(kScript, {ResourceType::Script});
    add(kImage, {ResourceType::Image});
    add(kStyleSheet, {ResourceType::StyleSheet});
    add(kXmlHttpRequest, {ResourceType::Fetch});
    add(kSubdocument, {ResourceType::ChildDocument});
    add(kMedia, {ResourceType::Media});
    add(kFont, {ResourceType::Font});
    add(kPopup, {ResourceType::Popup});
    add(kWebSocket, {ResourceType::WebSocket});
    add(kPing, {ResourceType::Ping});
    add(kOther, {ResourceType::Other, ResourceType::SVG, ResourceType::CSPReport});
    add(kDocument, {ResourceType::TopDocument});
    std::sort(result.begin(), result.end());
    return result;
}

// Options whose effect WebKit's content blocker has no action for; a filter with one is skipped.
constexpr std::array<std::string_view, 25> kInexpressibleOptions{
    "csp",       "redirect",   "redirect-rule", "removeparam", "queryprune", "rewrite",   "replace",
    "header",    "permissions", "urltransform", "uritransform", "urlskip",   "empty",     "mp4",
    "inline-script", "inline-font", "denyallow", "to",       "popunder",   "cname",     "strict1p",
    "strict3p",  "genericblock", "specifichide", "shide"};

struct Option {
    std::string name; // lower case, without "~"
    bool negated = false;
    std::string value;
    bool hasValue = false;
};

bool isOptionNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

// The options after the last "$" when that text reads as options; regular expressions may end in
// "$" and patterns may hold one, so a "$" followed by anything else belongs to the pattern.
std::optional<std::vector<Option>> parseOptions(std::string_view text) {
    std::vector<Option> options;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view part = text.substr(start, end - start);
        start = end + 1;
        Option option;
        if (part.starts_with('~')) {
            option.negated = true;
            part.remove_prefix(1);
        }
        const std::size_t equals = part.find('=');
        const std::string_view name = part.substr(0, equals);
        if (name.empty() || !std::all_of(name.begin(), name.end(), isOptionNameCharacter)) {
            return std::nullopt;
        }
        option.name = lowered(name);
        std::replace(option.name.begin(), option.name.end(), '_', '-');
        if (equals != std::string_view::npos) {
            option.value = std::string(part.substr(equals + 1));
            option.hasValue = true;
        }
        options.push_back(std::move(option));
    }
    return options;
}

struct SplitFilter {
    std::string_view pattern;
    std::string_view optionText;
    std::vector<Option> options;
};

SplitFilter splitFilter(std::string_view filter) {
    const std::size_t dollar = filter.rfind('$');
    if (dollar != std::string_view::npos && dollar + 1 < filter.size()) {
        if (auto options = parseOptions(filter.substr(dollar + 1))) {
            return {filter.substr(0, dollar), filter.substr(dollar + 1), std::move(*options)};
        }
    }
    return {filter, {}, {}};
}

bool isRegexPattern(std::string_view pattern) {
    return pattern.size() > 2 && pattern.front() == '/' && pattern.back() == '/';
}

// The url-filters of a pattern: one for a plain pattern, one or more for a regular expression.
Expected<std::vector<std::string>, std::string> urlFilters(std::string_view pattern) {
    if (isRegexPattern(pattern)) {
        auto expressions = webkitExpressions(pattern.substr(1, pattern.size() - 2));
        if (!expressions) {
            return "regular expression WebKit cannot express (" + expressions.error() + ")";
        }
        return expressions;
    }
    auto filter = urlFilterForPattern(pattern);
    if (!filter) {
        return std::string("pattern with characters outside printable ASCII");
    }
    return std::vector<std::string>{std::move(*filter)};
}

std::string ruleName(std::string_view pattern) {
    if (std::string host = hostOfPattern(pattern); !host.empty()) {
        return host;
    }
    return shortened(pattern.empty() ? std::string_view("every address") : pattern, 60);
}

struct Conditions {
    unsigned positiveTypes = 0;
    unsigned negativeTypes = 0;
    std::optional<LoadType> loadType;
    bool caseSensitive = false;
    std::optional<Sites> sites;
    std::optional<std::string> requestMethod;
    bool important = false;
    bool hidingException = false;
    bool genericHidingException = false;
};

// Reads every option into `conditions`; the reason when one cannot be expressed.
std::optional<std::string> readOptions(const std::vector<Option>& options, Conditions& conditions) {
    for (const Option& option : options) {
        const auto type = std::find_if(kTypeOptions.begin(), kTypeOptions.end(),
                                       [&](const auto& entry) { return entry.first == option.name; });
        if (type != kTypeOptions.end() && !option.hasValue) {
            (option.negated ? conditions.negativeTypes : conditions.positiveTypes) |= type->second;
        } else if (option.name == "third-party" || option.name == "3p") {
            conditions.loadType = option.negated ? LoadType::FirstParty : LoadType::ThirdParty;
        } else if (option.name == "first-party" || option.name == "1p") {
            conditions.loadType = option.negated ? LoadType::ThirdParty : LoadType::FirstParty;
        } else if (option.name == "match-case" && !option.hasValue) {
            conditions.caseSensitive = !option.negated;
        } else if ((option.name == "domain" || option.name == "from") && !option.negated && option.hasValue) {
            auto sites = parseSites(option.value, '|');
            if (!sites) {
                return "$domain with a " + sites.error();
            }
            conditions.sites = std::move(sites).value();
        } else if (option.name == "method" && !option.negated && option.hasValue) {
            const std::string method = lowered(option.value);
            if (!isRequestMethod(method)) {
                return std::string("$method other than one request method");
            }
            conditions.requestMethod = method;
        } else if (option.name == "important" && !option.negated && !option.hasValue) {
            conditions.important = true;
        } else if ((option.name == "elemhide" || option.name == "ehide") && !option.negated) {
            conditions.hidingException = true;
        } else if ((option.name == "generichide" || option.name == "ghide") && !option.negated) {
            conditions.genericHidingException = true;
        } else if (std::find(kInexpressibleOptions.begin(), kInexpressibleOptions.end(), option.name) !=
                   kInexpressibleOptions.end()) {
            return "$" + option.name;
        } else {
            return "unknown option $" + std::string(option.negated ? "~" : "") + option.name;
        }
    }
    return std::nullopt;
}

// A rule for whole pages: it matches every load of a page whose address the pattern matches,
// so that as an "ignore-previous-rules" it undoes what came before on that page.
Expected<Trigger, std::string> pageTrigger(std::string_view pattern, const Conditions& conditions) {
    if (conditions.sites || conditions.loadType || conditions.requestMethod) {
        return std::string("page exception with further conditions");
    }
    Trigger trigger;
    trigger.urlFilter = ".*";
    const std::string host = hostOfPattern(pattern);
    if (!host.empty() && pattern.ends_with('^')) {
        trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, {webkitDomain(lowered(host))}};
        return trigger;
    }
    auto filters = urlFilters(pattern);
    if (!filters) {
        return filters.error();
    }
    if (filters->size() != 1 || filters->front() == ".*") {
        return std::string("page exception for every page");
    }
    trigger.topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {filters->front()}};
    trigger.topURLFilterCaseSensitive = conditions.caseSensitive;
    return trigger;
}

// The rules for the loads the filter names, each placed by what it does.
Expected<std::vector<NetworkRules::Placed>, std::string> loadBlockers(std::string_view pattern,
                                                                      const Conditions& conditions, bool exception) {
    if (conditions.important && exception) {
        return std::string("$important on an exception");
    }
    const auto place = exception              ? NetworkRules::Place::Exception
                       : conditions.important ? NetworkRules::Place::Important
                                              : NetworkRules::Place::Block;

    const unsigned base = conditions.positiveTypes != 0 ? conditions.positiveTypes : kDefaultTypes;
    const unsigned types = base & ~conditions.negativeTypes;
    std::vector<ResourceType> resourceTypes = webkitTypes(types);
    if (resourceTypes.empty()) {
        return std::string(types == kObject ? "$object (plugins, which WebKit does not load)"
                                            : "no resource type left");
    }

    std::optional<DomainFilter> domainFilter;
    if (conditions.sites) {
        const SiteCondition where = resolve(*conditions.sites);
        switch (where.kind) {
        case SiteCondition::Kind::Everywhere: break;
        case SiteCondition::Kind::Only:
            domainFilter = DomainFilter{DomainFilterType::IfDomain, webkitDomains(where.sites)};
            break;
        case SiteCondition::Kind::Except:
            domainFilter = DomainFilter{DomainFilterType::UnlessDomain, webkitDomains(where.sites)};
            break;
        case SiteCondition::Kind::Nowhere: return std::string("$domain that leaves no site");
        case SiteCondition::Kind::Mixed: return std::string("$domain including a site but excluding its subdomain");
        }
    }

    auto filters = urlFilters(pattern);
    if (!filters) {
        return filters.error();
    }
    std::vector<NetworkRules::Placed> blockers;
    for (std::string& urlFilter : filters.value()) {
        Trigger trigger;
        trigger.urlFilter = std::move(urlFilter);
        trigger.caseSensitive = conditions.caseSensitive;
        trigger.resourceTypes = resourceTypes;
        if (conditions.loadType) {
            trigger.loadType = std::vector<LoadType>{*conditions.loadType};
        }
        trigger.domainFilter = domainFilter;
        trigger.requestMethod = conditions.requestMethod;
        blockers.push_back(
            {place, Blocker{std::move(trigger),
                            Action{exception ? ActionType::IgnorePreviousRules : ActionType::Block, {}}}});
    }
    return blockers;
}

} // namespace

Expected<NetworkRules, std::string> convertNetworkFilter(std::string_view filter) {
    const bool exception = filter.starts_with("@@");
    if (exception) {
        filter.remove_prefix(2);
    }
    if (filter.find("$$") != std::string_view::npos || filter.find("$@$") != std::string_view::npos) {
        return std::string("HTML filter");
    }
    const SplitFilter split = splitFilter(filter);
    Conditions conditions;
    if (auto fault = readOptions(split.options, conditions)) {
        return *fault;
    }
    NetworkRules rules;
    rules.name = ruleName(split.pattern);

    const bool page = (conditions.positiveTypes & kDocument) != 0;
    if (!exception || (!page && !conditions.hidingException && !conditions.genericHidingException)) {
        if (conditions.hidingException || conditions.genericHidingException) {
            return std::string("$elemhide or $generichide on a blocking filter");
        }
        auto blockers = loadBlockers(split.pattern, conditions, exception);
        if (!blockers) {
            return blockers.error();
        }
        rules.blockers = std::move(blockers).value();
        return rules;
    }

    // An exception for pages. With further types ("$document,subdocument") the loads of those
    // types are exempted as well, wherever they happen.
    if (conditions.negativeTypes != 0 || (!page && conditions.positiveTypes != 0)) {
        return std::string("$elemhide or $generichide limited to resource types");
    }
    auto trigger = pageTrigger(split.pattern, conditions);
    if (!trigger) {
        return trigger.error();
    }
    Conditions loads = conditions;
    loads.positiveTypes &= ~kDocument;
    if (loads.positiveTypes != 0) {
        auto blockers = loadBlockers(split.pattern, loads, true);
        if (!blockers) {
            return blockers.error();
        }
        rules.blockers = std::move(blockers).value();
    }
    const auto place = page                         ? NetworkRules::Place::PageException
                       : conditions.hidingException ? NetworkRules::Place::HidingException
                                                    : NetworkRules::Place::GenericHidingException;
    rules.blockers.push_back({place, Blocker{std::move(trigger).value(), Action{ActionType::IgnorePreviousRules, {}}}});
    return rules;
}

std::optional<std::string> badfilterTarget(std::string_view filter) {
    const std::size_t dollar = filter.rfind('$');
    if (dollar == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view optionText = filter.substr(dollar + 1);
    auto options = parseOptions(optionText);
    if (!options) {
        return std::nullopt;
    }
    std::string kept;
    bool found = false;
    std::size_t start = 0;
    for (const Option& option : *options) {
        std::size_t end = optionText.find(',', start);
        if (end == std::string_view::npos) {
            end = optionText.size();
        }
        if (option.name == "badfilter" && !option.negated) {
            found = true;
        } else {
            kept += kept.empty() ? "" : ",";
            kept += optionText.substr(start, end - start);
        }
        start = end + 1;
    }
    if (!found) {
        return std::nullopt;
    }
    std::string target(filter.substr(0, dollar));
    if (!kept.empty()) {
        target += "$" + kept;
    }
    return target;
}

} // namespace orvane::filterlists
