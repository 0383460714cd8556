#include "Corpus.h"

#include <array>
#include <string_view>
#include <unordered_set>

using orvane::Action;
using orvane::ActionType;
using orvane::Blocker;
using orvane::DomainFilter;
using orvane::DomainFilterType;
using orvane::FrameURLFilter;
using orvane::FrameURLFilterType;
using orvane::TopURLFilter;
using orvane::TopURLFilterType;
using orvane::Trigger;

namespace {

constexpr std::array<std::string_view, 40> kLiterals{
    "a",   "b",     "x",   "z",  "A",   "Z",      "0",   "1",  "9",    "/",   "-", "_", ":", "=",
    "&",   "%",     "~",   "!",  "@",   "#",      ",",   ";",  "'",    "\"",  "<", ">", "`", " ",
    "ads", "track", "com", "js", "gif", "banner", "cdn", "q=", "&id=", "www", "B", "k"};
constexpr std::array<std::string_view, 15> kSpecials{".", "*", "+", "?", "^", "$",  "|", "(",
                                                     ")", "[", "]", "{", "}", "\\", "-"};
constexpr std::array<std::string_view, 6> kBeyondAscii{"é", "…", "ü", "😀", "ß", "\u00a0"};
constexpr std::array<std::string_view, 22> kChunks{"\\.com",
                                                   "^https?://",
                                                   "[^/]+",
                                                   "\\.js$",
                                                   "ads",
                                                   "([a-z0-9-]+\\.)?",
                                                   "/",
                                                   ".*",
                                                   "^https?://([^/]+\\.)?",
                                                   "\\.(gif|png)",
                                                   "[0-9]+",
                                                   "[?&]utm_",
                                                   "\\/ad[sx]?\\/",
                                                   "(.*)",
                                                   "^[^:]+:(//)?([^/]+\\.)?",
                                                   "ad\\.doubleclick\\.net",
                                                   "\\.php\\?",
                                                   "[a-zA-Z0-9_-]*",
                                                   "(www\\.)?",
                                                   "track(er|ing)?",
                                                   "[.]",
                                                   "$"};
constexpr std::array<std::string_view, 33> kQuantifiers{"*",
                                                        "+",
                                                        "?",
                                                        "*?",
                                                        "+?",
                                                        "??",
                                                        "{0,1}",
                                                        "{1,}",
                                                        "{0,}",
                                                        "{2}",
                                                        "{1,1}",
                                                        "{0}",
                                                        "{,2}",
                                                        "{2,1}",
                                                        "{",
                                                        "{1",
                                                        "{1,",
                                                        "{0,4294967295}",
                                                        "{1,4294967296}",
                                                        "{4294967296}",
                                                        "{99999999999,}",
                                                        "{1,}?",
                                                        "{0,1}?",
                                                        "{3,5}",
                                                        "{00,01}",
                                                        "{01,}",
                                                        "{0,1",
                                                        "{a}",
                                                        "{1,a}",
                                                        "**",
                                                        "*+",
                                                        "{0,}{1,}",
                                                        "?*"};
constexpr std::array<std::string_view, 14> kGroupOpeners{
    "(", "(?:", "(?<n>", "(?<name2>", "(?=", "(?!", "(?<=", "(?<!", "(?i:", "(?", "(?<", "(?<1>", "(?-i:", "(?x)"};
constexpr std::array<std::string_view, 10> kGroupNames{"n", "name2", "a", "$x", "_y", "n>", "1", "\\u0061", "", "n-2"};

} // namespace

std::vector<std::string> Corpus::urlFilters(std::size_t count) {
    std::unordered_set<std::string> seen;
    std::vector<std::string> filters;
    while (filters.size() < count) {
        std::string filter = urlFilter();
        if (seen.insert(filter).second) {
            filters.push_back(std::move(filter));
        }
    }
    return filters;
}

std::string Corpus::urlFilter() {
    switch (below(10)) {
    case 0:
    case 1:
    case 2: {
        // As lists write them, with one change now and then.
        std::string filter;
        const std::size_t parts = 1 + below(4);
        for (std::size_t i = 0; i < parts; ++i) {
            filter += pick(kChunks);
        }
        if (chance(0.5)) {
            filter.insert(below(filter.size() + 1), token(1, false));
        }
        return filter;
    }
    default: return tokens(static_cast<int>(1 + below(8)), 0);
    }
}

std::string Corpus::tokens(int count, int depth) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += token(depth, i + 1 == count);
    }
    return text;
}

std::string Corpus::token(int depth, bool last) {
    const std::size_t kind = below(100);
    if (kind < 34) {
        return std::string(pick(kLiterals));
    }
    if (kind < 42) {
        const std::string_view special = pick(kSpecials);
        // A lone backslash only where it ends the pattern, else it would escape the next token.
        if (special == "\\" && !last) {
            return "\\\\";
        }
        return std::string(special);
    }
    if (kind < 55) {
        return escape(false);
    }
    if (kind < 67) {
        return characterSet();
    }
    if (kind < 76) {
        return group(depth);
    }
    if (kind < 89) {
        return quantifier();
    }
    if (kind < 90) {
        return std::string(pick(kBeyondAscii));
    }
    return std::string(pick(kChunks));
}

std::string Corpus::escape(bool inClass) {
    static constexpr std::array<std::string_view, 20> kPunctuation{".", "/", "-", "?", "*", "+",  "(", ")", "[", "]",
                                                                   "{", "}", "|", "^", "$", "\\", ":", "=", "_", " "};
    static constexpr std::string_view kHex = "0123456789abcdefABCDEFgG";
    std::string text = "\\";
    switch (below(14)) {
    case 0: text += pick(std::string_view("bBdDsSwW")); break;
    case 1: {
        text += pick(std::string_view("0123456789"));
        const std::size_t more = below(4);
        for (std::size_t i = 0; i < more; ++i) {
            text += pick(std::string_view("0123456789"));
        }
        break;
    }
    case 2: text += pick(std::string_view("fnrtv")); break;
    case 3: {
        text += 'c';
        const std::size_t next = below(5);
        if (next == 0) {
            text += pick(std::string_view("aZmq"));
        } else if (next == 1) {
            text += pick(std::string_view("019"));
        } else if (next == 2) {
            text += '_';
        } else if (next == 3) {
            text += pick(std::string_view("-[*"));
        }
        break;
    }
    case 4: {
        text += 'x';
        const std::size_t digits = below(4);
        for (std::size_t i = 0; i < digits; ++i) {
            text += pick(kHex);
        }
        break;
    }
    case 5: {
        text += 'u';
        if (chance(0.15)) {
            text += "{41}";
            break;
        }
        const std::size_t digits = below(6);
        for (std::size_t i = 0; i < digits; ++i) {
            text += i == 0 && chance(0.6) ? '0' : pick(kHex);
        }
        break;
    }
    case 6:
        text += 'k';
        if (!inClass && chance(0.7)) {
            text += "<" + std::string(pick(kGroupNames));
            if (chance(0.8)) {
                text += ">";
            }
        }
        break;
    case 7:
        text += pick(std::string_view("pP"));
        if (chance(0.5)) {
            text += "{L}";
        }
        break;
    case 8: text += pick(std::string_view("0")); break;
    case 9:
        text += pick(std::string_view("17")) + std::string(1, pick(std::string_view("0123467"))) +
                pick(std::string_view("07"));
        break;
    case 10: text += pick(kBeyondAscii); break;
    case 11: text += pick(std::string_view("aeAElmQ")); break;
    default: text += pick(kPunctuation); break;
    }
    return text;
}

std::string Corpus::characterSet() {
    std::string text = "[";
    if (chance(0.3)) {
        text += '^';
    }
    const std::size_t items = below(5);
    for (std::size_t i = 0; i < items; ++i) {
        switch (below(9)) {
        case 0:
        case 1: text += pick(std::string_view("az09AZ/._:?*+()|{}$^")); break;
        case 2: text += std::string(1, pick(std::string_view("a0A"))) + "-" + pick(std::string_view("z9Za")); break;
        case 3: text += std::string(1, pick(std::string_view("zZ9"))) + "-" + pick(std::string_view("a0A")); break;
        case 4: text += escape(true); break;
        case 5: text += '-'; break;
        case 6:
            text += escape(true) + "-" + (chance(0.5) ? escape(true) : std::string(1, pick(std::string_view("z~"))));
            break;
        case 7: text += pick(kBeyondAscii); break;
        default: text += "[";
        }
    }
    if (chance(0.92)) {
        text += ']';
    }
    return text;
}

std::string Corpus::group(int depth) {
    static constexpr std::array<std::string_view, 3> kTaken{"(", "(?:", "(?<n>"};
    std::string text(chance(0.6) ? pick(kTaken) : pick(kGroupOpeners));
    if (depth < 3) {
        text += tokens(static_cast<int>(below(4)), depth + 1);
    }
    if (chance(0.9)) {
        text += ')';
    }
    if (chance(0.4)) {
        text += quantifier();
    }
    return text;
}

// Half of them of the forms content blockers take.
std::string Corpus::quantifier() {
    static constexpr std::array<std::string_view, 9> kTaken{"*", "+", "?", "*?", "+?", "??", "{0,1}", "{1,}", "{0,}"};
    return std::string(chance(0.5) ? pick(kTaken) : pick(kQuantifiers));
}

// A pattern of a page or frame URL condition: mostly plain ones, some generated.
std::string Corpus::listPattern() {
    switch (below(4)) {
    case 0: return urlFilter();
    case 1: return "";
    default: return std::string(pick(kChunks)) + std::string(pick(kLiterals));
    }
}

std::string Corpus::domain() {
    static constexpr std::array<std::string_view, 22> kDomains{"example.com",
                                                               "*example.com",
                                                               "a.example",
                                                               "localhost",
                                                               "",
                                                               "*",
                                                               "EXAMPLE.COM",
                                                               "Example.com",
                                                               "ü.example",
                                                               "xn--tda.example",
                                                               "*.example.com",
                                                               "ex*ample.com",
                                                               "a b.example",
                                                               ".",
                                                               "*.",
                                                               "exa_mple.com",
                                                               "a\tb",
                                                               "-a.example",
                                                               "a.example.",
                                                               "*A.example",
                                                               "sub.domain.example",
                                                               "…"};
    return std::string(pick(kDomains));
}

std::vector<Blocker> Corpus::conditions(std::size_t count) {
    std::vector<Blocker> blockers;
    blockers.reserve(count);
    static constexpr std::array kActions{ActionType::Block, ActionType::BlockCookies, ActionType::Hide,
                                         ActionType::IgnorePreviousRules, ActionType::makeHttps};
    for (std::size_t i = 0; i < count; ++i) {
        Trigger trigger;
        trigger.urlFilter = chance(0.9) ? std::string(pick(kChunks)) : urlFilter();
        trigger.caseSensitive = chance(0.5);
        const std::size_t values = below(4);
        std::vector<std::string> list;
        switch (below(3)) {
        case 0:
            for (std::size_t v = 0; v < values; ++v) {
                list.push_back(domain());
            }
            trigger.domainFilter = DomainFilter{
                chance(0.5) ? DomainFilterType::IfDomain : DomainFilterType::UnlessDomain, std::move(list)};
            break;
        case 1:
            for (std::size_t v = 0; v < values; ++v) {
                list.push_back(listPattern());
            }
            trigger.topURLFilter = TopURLFilter{
                chance(0.5) ? TopURLFilterType::IfTopURL : TopURLFilterType::UnlessTopURL, std::move(list)};
            trigger.topURLFilterCaseSensitive = chance(0.5);
            break;
        default:
            for (std::size_t v = 0; v < values; ++v) {
                list.push_back(listPattern());
            }
            trigger.frameURLFilter = FrameURLFilter{
                chance(0.5) ? FrameURLFilterType::IfFrameURL : FrameURLFilterType::UnlessFrameURL, std::move(list)};
            trigger.frameURLFilterCaseSensitive = chance(0.5);
        }
        Action action{pick(kActions), std::nullopt};
        if (action.type == ActionType::Hide && chance(0.7)) {
            action.selector = "div#links";
        }
        blockers.push_back(Blocker{std::move(trigger), std::move(action)});
    }
    return blockers;
}

std::vector<std::string> Corpus::selectors(std::size_t count) {
    std::unordered_set<std::string> seen;
    std::vector<std::string> selectors;
    while (selectors.size() < count) {
        std::string text = selector();
        if (seen.insert(text).second) {
            selectors.push_back(std::move(text));
        }
    }
    return selectors;
}

std::string Corpus::selector() {
    static constexpr std::array<std::string_view, 10> kCombinators{" ",   " > ", ">",  " + ", "~",
                                                                   " ~ ", ">>",  "||", "  ",  "\t"};
    std::string text;
    const std::size_t selectors = chance(0.8) ? 1 : 2 + below(2);
    for (std::size_t s = 0; s < selectors; ++s) {
        if (s > 0) {
            text += chance(0.5) ? ", " : ",";
            if (chance(0.05)) {
                continue; // an empty member of the list
            }
        }
        if (chance(0.05)) {
            text += pick(kCombinators);
        }
        const std::size_t compounds = 1 + below(3);
        for (std::size_t c = 0; c < compounds; ++c) {
            if (c > 0) {
                text += pick(kCombinators);
            }
            text += compound(0);
        }
        if (chance(0.04)) {
            text += pick(kCombinators);
        }
    }
    if (chance(0.02)) {
        text += pick(std::string_view(",{};!"));
    }
    return text;
}

std::string Corpus::compound(int depth) {
    static constexpr std::array<std::string_view, 14> kTypes{
        "div", "a", "*", "DIV", "span", "svg|a", "*|a", "|a", "ns|*", "h1", "custom-element", "-x", "1a", "a\\:b"};
    std::string text;
    if (chance(0.6)) {
        text += pick(kTypes);
    }
    const std::size_t simple = (text.empty() ? 1 : 0) + below(3);
    for (std::size_t i = 0; i < simple; ++i) {
        text += simpleSelector(depth);
    }
    return text;
}

std::string Corpus::identifier() {
    static constexpr std::array<std::string_view, 16> kIdentifiers{
        "ad", "links",  "banner-top", "_x",    "-y",  "--z",   "a1", "1a",
        "-1", "\\31 a", "é",          "a\\.b", "x\\", "ad\\ ", "A",  "a_b"};
    return std::string(pick(kIdentifiers));
}

std::string Corpus::simpleSelector(int depth) {
    static constexpr std::array<std::string_view, 56> kPseudoClasses{"hover",
                                                                     "active",
                                                                     "focus",
                                                                     "first-child",
                                                                     "last-child",
                                                                     "only-child",
                                                                     "first-of-type",
                                                                     "last-of-type",
                                                                     "only-of-type",
                                                                     "empty",
                                                                     "root",
                                                                     "checked",
                                                                     "disabled",
                                                                     "enabled",
                                                                     "link",
                                                                     "visited",
                                                                     "target",
                                                                     "focus-within",
                                                                     "focus-visible",
                                                                     "placeholder-shown",
                                                                     "read-only",
                                                                     "read-write",
                                                                     "required",
                                                                     "optional",
                                                                     "default",
                                                                     "indeterminate",
                                                                     "valid",
                                                                     "invalid",
                                                                     "in-range",
                                                                     "out-of-range",
                                                                     "any-link",
                                                                     "defined",
                                                                     "fullscreen",
                                                                     "-webkit-any-link",
                                                                     "-webkit-autofill",
                                                                     "autofill",
                                                                     "modal",
                                                                     "popover-open",
                                                                     "scope",
                                                                     "host",
                                                                     "playing",
                                                                     "paused",
                                                                     "foo",
                                                                     "hovered",
                                                                     "-webkit-foo",
                                                                     "HOVER",
                                                                     "first-line",
                                                                     "before",
                                                                     "after",
                                                                     "selection",
                                                                     "future",
                                                                     "past",
                                                                     "user-invalid",
                                                                     "open",
                                                                     "-internal-foo",
                                                                     "xyz"};
    static constexpr std::array<std::string_view, 18> kFunctional{
        "not",  "is",   "where",       "has",     "nth-child", "nth-last-child", "nth-of-type", "nth-last-of-type",
        "lang", "dir",  "-webkit-any", "matches", "host",      "contains",       "-abp-has",    "has-text",
        "foo",  "state"};
    static constexpr std::array<std::string_view, 18> kPseudoElements{"before",
                                                                      "after",
                                                                      "first-line",
                                                                      "first-letter",
                                                                      "marker",
                                                                      "placeholder",
                                                                      "selection",
                                                                      "backdrop",
                                                                      "-webkit-scrollbar",
                                                                      "-webkit-input-placeholder",
                                                                      "foo",
                                                                      "-webkit-foo",
                                                                      "part(x)",
                                                                      "slotted(a)",
                                                                      "cue",
                                                                      "file-selector-button",
                                                                      "highlight(x)",
                                                                      "view-transition"};
    static constexpr std::array<std::string_view, 18> kNth{"2n+1",      "odd",   "even",       "3",   "-n+3", "n",
                                                           "2n + 1",    "+5",    "2n+1 of .a", "x",   "",     "2n-",
                                                           "1 of a, b", " odd ", "2N",         "- n", "0n+0", "3 of"};
    static constexpr std::array<std::string_view, 12> kAttributeOperators{
        "=", "~=", "|=", "^=", "$=", "*=", "==", "!=", "", "= ", " =", "=~"};
    static constexpr std::array<std::string_view, 10> kAttributeValues{"v",   "\"v\"",      "'v w'", "\"\"", "1",
                                                                       "v w", "\"unclosed", "-v",    "\\\"", "a\\]"};
    switch (below(12)) {
    case 0: return "#" + identifier();
    case 1: return "." + identifier();
    case 2: {
        std::string text = "[" + std::string(chance(0.1) ? "ns|" : "") + identifier();
        const std::string_view op = pick(kAttributeOperators);
        if (!op.empty()) {
            text += std::string(op) + std::string(pick(kAttributeValues));
            if (chance(0.2)) {
                text += pick(std::string_view("iIsx"));
                text.insert(text.size() - 1, " ");
            }
        }
        if (chance(0.93)) {
            text += "]";
        }
        return text;
    }
    case 3:
    case 4: return ":" + std::string(pick(kPseudoClasses));
    case 5: return "::" + std::string(pick(kPseudoElements));
    case 6:
    case 7: {
        const std::string_view name = pick(kFunctional);
        std::string text = ":" + std::string(name) + "(";
        if (name.starts_with("nth")) {
            text += pick(kNth);
        } else if (name == "lang" || name == "dir" || name == "contains" || name == "has-text" || name == "state") {
            text += pick(std::array<std::string_view, 6>{"en", "ltr", "\"x\"", "", "rtl x", "*-US"});
        } else if (depth < 2) {
            if (name == "has" && chance(0.5)) {
                text += pick(std::array<std::string_view, 4>{"> ", "+ ", "~ ", ""});
            }
            text += compound(depth + 1);
            if (chance(0.3)) {
                text += ", " + compound(depth + 1);
            }
        }
        if (chance(0.93)) {
            text += ")";
        }
        return text;
    }
    case 8: return std::string(pick(std::array<std::string_view, 6>{":", "::", ".", "#", "[", "()"}));
    case 9:
        return ":" +
               std::string(pick(std::array<std::string_view, 4>{"-webkit-any-link", "read-only", "lang(en)", "not()"}));
    default: return std::string(pick(std::array<std::string_view, 5>{"#ad", ".banner", "[href]", ":first-child", "*"}));
    }
}
