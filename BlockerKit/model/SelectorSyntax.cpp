#include "model/SelectorSyntax.h"

#include "model/CssTokens.h"
#include "model/ShortText.h"

#include <algorithm>
#include <array>
#include <vector>

namespace orvane {
namespace {

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
    return text;
}

constexpr std::array<std::string_view, 66> kPseudoClasses{
    "active", "any-link", "autofill", "buffering", "checked", "corner-present", "decrement", "default", "defined",
    "disabled", "double-button", "empty", "enabled", "end", "first-child", "first-of-type", "focus", "focus-visible",
    "focus-within", "fullscreen", "future", "horizontal", "host", "hover", "in-range", "increment", "indeterminate",
    "invalid", "last-child", "last-of-type", "link", "modal", "muted", "no-button", "only-child", "only-of-type",
    "optional", "out-of-range", "past", "paused", "placeholder-shown", "playing", "read-only", "read-write",
    "required", "root", "scope", "seeking", "single-button", "stalled", "start", "target", "user-invalid",
    "user-valid", "valid", "vertical", "visited", "volume-locked", "window-inactive", "-webkit-any-link",
    "-webkit-autofill", "-webkit-autofill-and-obscured", "-webkit-autofill-strong-password",
    "-webkit-autofill-strong-password-viewable", "-webkit-drag", "-webkit-full-screen"};
constexpr std::array<std::string_view, 13> kPseudoElements{
    "after", "backdrop", "before", "cue", "details-content", "file-selector-button", "first-letter", "first-line",
    "grammar-error", "marker", "placeholder", "selection", "spelling-error"};
// What the single-colon form of CSS 2 still names.
constexpr std::array<std::string_view, 4> kLegacyPseudoElements{"after", "before", "first-letter", "first-line"};
// What may follow a pseudo-element in the same compound depends on the pseudo-element: the states
// of a scrollbar after its parts, the user's actions after WebKit's other parts, the window's
// state after a selection, anything but tree positions after "::part()", nothing after the rest.
constexpr std::array<std::string_view, 7> kScrollbarParts{
    "-webkit-scrollbar", "-webkit-scrollbar-button", "-webkit-scrollbar-corner", "-webkit-scrollbar-thumb",
    "-webkit-scrollbar-track", "-webkit-scrollbar-track-piece", "-webkit-resizer"};
constexpr std::array<std::string_view, 15> kScrollbarStates{
    "enabled", "disabled", "hover", "active", "horizontal", "vertical", "decrement", "increment", "start", "end",
    "double-button", "single-button", "no-button", "corner-present", "window-inactive"};
constexpr std::array<std::string_view, 5> kUserActions{"hover", "focus", "active", "focus-visible", "focus-within"};
// Parts of form controls and media, which the user's actions style as WebKit's own parts.
constexpr std::array<std::string_view, 4> kUserAgentParts{
    "placeholder", "details-content", "cue", "file-selector-button"};
constexpr std::array<std::string_view, 8> kTreePositions{
    "empty", "first-child", "first-of-type", "last-child", "last-of-type", "only-child", "only-of-type", "root"};

// What may follow "::slotted()" as a second pseudo-element ("::part()" takes any but a function).
constexpr std::array<std::string_view, 4> kTreeAbiding{"before", "after", "marker", "backdrop"};
// Pseudo-classes made of selectors, which may follow any pseudo-element.
constexpr std::array<std::string_view, 6> kLogical{"is", "not", "where", "has", "matches", "-webkit-any"};

enum class Element { None, ScrollbarPart, WebKitPart, Selection, Part, Slotted, Other };

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class SelectorReader {
public:
    explicit SelectorReader(std::string_view text) : tokens_(cssTokens(text)) {
        // Brackets, parentheses and functions left open are closed by the end of the text.
        closing_.assign(tokens_.size(), tokens_.size());
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            const CssTokenType type = tokens_[i].type;
            if (type == CssTokenType::LeftBracket || type == CssTokenType::LeftParenthesis || type == CssTokenType::LeftBrace ||
                type == CssTokenType::Function) {
                open.push_back(i);
            } else if ((type == CssTokenType::RightBracket || type == CssTokenType::RightParenthesis ||
                        type == CssTokenType::RightBrace) &&
                       !open.empty() && closes(tokens_[open.back()].type, type)) {
                closing_[open.back()] = i;
                open.pop_back();
            }
        }
    }

    std::optional<std::string> read() {
        if (!selectorList(0, tokens_.size(), false, false) && !problem_) {
            problem_ = "it selects nothing";
        }
        return problem_;
    }

private:
    static bool closes(CssTokenType opener, CssTokenType closer) {
        switch (opener) {
        case CssTokenType::LeftBracket: return closer == CssTokenType::RightBracket;
        case CssTokenType::LeftBrace: return closer == CssTokenType::RightBrace;
        default: return closer == CssTokenType::RightParenthesis;
        }
    }

    bool fail(std::string problem) {
        if (!problem_) {
            problem_ = std::move(problem);
        }
        return false;
    }
    bool unexpected(std::size_t at) {
        return fail(at < tokens_.size() ? "unexpected " + quoted(tokens_[at].text) : "it ends too early");
    }

    bool is(std::size_t at, std::size_t end, CssTokenType type) const { return at < end && tokens_[at].type == type; }
    bool isDelim(std::size_t at, std::size_t end, char c) const {
        return is(at, end, CssTokenType::Delim) && tokens_[at].delim == c;
    }
    void skipSpace(std::size_t& at, std::size_t end) const {
        while (is(at, end, CssTokenType::Whitespace)) {
            ++at;
        }
    }
    // Past a block or function: after its closing token, or at the end when it has none.
    std::size_t after(std::size_t opener) const { return std::min(closing_[opener] + 1, tokens_.size()); }
    std::size_t inside(std::size_t opener, std::size_t end) const { return std::min(closing_[opener], end); }

    // A comma-separated list. A forgiving list (":is", ":where") drops members it cannot read.
    bool selectorList(std::size_t begin, std::size_t end, bool relative, bool forgiving) {
        std::size_t start = begin;
        std::size_t at = begin;
        bool read = false;
        while (true) {
            if (at == end || is(at, end, CssTokenType::Comma)) {
                std::size_t first = start;
                std::size_t last = at;
                skipSpace(first, last);
                while (last > first && tokens_[last - 1].type == CssTokenType::Whitespace) {
                    --last;
                }
                if (first == last) {
                    if (!forgiving) {
                        return fail(end == begin || first == tokens_.size() ? "it selects nothing"
                                                                            : "an empty selector in a list");
                    }
                } else if (forgiving) {
                    const auto kept = problem_;
                    read = complex(first, last, relative) || read;
                    problem_ = kept;
                } else if (!complex(first, last, relative)) {
                    return false;
                } else {
                    read = true;
                }
                if (at == end) {
                    return forgiving || read;
                }
                start = ++at;
                continue;
            }
            const CssTokenType type = tokens_[at].type;
            at = type == CssTokenType::LeftBracket || type == CssTokenType::LeftParenthesis || type == CssTokenType::LeftBrace ||
                         type == CssTokenType::Function
                     ? std::min(after(at), end)
                     : at + 1;
        }
    }

    bool combinator(std::size_t at, std::size_t end) const {
        return isDelim(at, end, '>') || isDelim(at, end, '+') || isDelim(at, end, '~');
    }

    bool complex(std::size_t at, std::size_t end, bool relative) {
        if (relative && combinator(at, end)) {
            ++at;
            skipSpace(at, end);
        }
        while (true) {
            if (!compound(at, end)) {
                return false;
            }
            const bool spaced = is(at, end, CssTokenType::Whitespace);
            skipSpace(at, end);
            if (at == end) {
                return true;
            }
            if (compoundHadPseudoElement_) {
                return fail("a pseudo-element is not the last thing it selects");
            }
            if (combinator(at, end)) {
                ++at;
                skipSpace(at, end);
                if (at == end) {
                    return fail("a combinator ends it");
                }
            } else if (!spaced) {
                return unexpected(at);
            }
        }
    }

    // "ns|", "*|" or "|" before a name; false when there is none. A prefix other than "*" or
    // nothing names a namespace, which a content blocker's selector has no way to declare.
    bool namespacePrefix(std::size_t& at, std::size_t end) {
        if (isDelim(at, end, '|')) {
            ++at;
            return true;
        }
        if ((is(at, end, CssTokenType::Ident) || isDelim(at, end, '*')) && isDelim(at + 1, end, '|') &&
            (is(at + 2, end, CssTokenType::Ident) || isDelim(at + 2, end, '*'))) {
            if (is(at, end, CssTokenType::Ident)) {
                return fail("the namespace " + quoted(tokens_[at].text) + " is not declared");
            }
            at += 2;
            return true;
        }
        return true;
    }

    bool compound(std::size_t& at, std::size_t end) {
        const std::size_t start = at;
        if (isDelim(at, end, '|') ||
            ((is(at, end, CssTokenType::Ident) || isDelim(at, end, '*')) && isDelim(at + 1, end, '|'))) {
            if (!namespacePrefix(at, end)) {
                return false;
            }
            if (!is(at, end, CssTokenType::Ident) && !isDelim(at, end, '*')) {
                return unexpected(at);
            }
            ++at;
        } else if (is(at, end, CssTokenType::Ident) || isDelim(at, end, '*')) {
            ++at;
        }
        // Ids, classes and attributes follow no pseudo-element, also inside the selectors of a
        // pseudo-class that does.
        Element pseudoElement = Element::None;
        while (at < end && !problem_) {
            const CssToken& token = tokens_[at];
            if (token.type == CssTokenType::Hash) {
                if (pseudoElement != Element::None || outerElement_ != Element::None) {
                    return unexpected(at);
                }
                if (!token.isId) {
                    return fail(quoted(token.text) + " is not an id");
                }
                ++at;
            } else if (isDelim(at, end, '.')) {
                if (pseudoElement != Element::None || outerElement_ != Element::None) {
                    return unexpected(at);
                }
                if (!is(at + 1, end, CssTokenType::Ident)) {
                    return fail("\".\" names no class");
                }
                at += 2;
            } else if (token.type == CssTokenType::LeftBracket) {
                if (pseudoElement != Element::None || outerElement_ != Element::None) {
                    return unexpected(at);
                }
                if (!attribute(at + 1, inside(at, end))) {
                    return false;
                }
                at = std::min(after(at), end);
            } else if (token.type == CssTokenType::Colon) {
                if (!pseudo(at, end, pseudoElement)) {
                    return false;
                }
            } else {
                break;
            }
        }
        if (problem_) {
            return false;
        }
        if (at == start) {
            return unexpected(at);
        }
        compoundHadPseudoElement_ = pseudoElement != Element::None;
        return true;
    }

    bool attribute(std::size_t at, std::size_t end) {
        skipSpace(at, end);
        if (isDelim(at, end, '|') || isDelim(at, end, '*') ||
            (is(at, end, CssTokenType::Ident) && isDelim(at + 1, end, '|'))) {
            // "[*]" alone reads, as any attribute; it compares with nothing.
            if (isDelim(at, end, '*') && !isDelim(at + 1, end, '|')) {
                ++at;
                skipSpace(at, end);
                return at == end || unexpected(at);
            }
            if (!namespacePrefix(at, end)) {
                return false;
            }
        }
        if (!is(at, end, CssTokenType::Ident)) {
            return fail("an attribute selector names no attribute");
        }
        ++at;
        skipSpace(at, end);
        if (at == end) {
            return true;
        }
        const CssTokenType type = tokens_[at].type;
        const bool matcher = isDelim(at, end, '=') || type == CssTokenType::IncludeMatch || type == CssTokenType::DashMatch ||
                             type == CssTokenType::PrefixMatch || type == CssTokenType::SuffixMatch ||
                             type == CssTokenType::SubstringMatch;
        if (!matcher) {
            return unexpected(at);
        }
        ++at;
        skipSpace(at, end);
        if (!is(at, end, CssTokenType::Ident) && !is(at, end, CssTokenType::String)) {
            return fail("an attribute selector compares with nothing");
        }
        ++at;
        skipSpace(at, end);
        if (is(at, end, CssTokenType::Ident)) {
            if (lower(tokens_[at].value) != "i") {
                return unexpected(at);
            }
            ++at;
            skipSpace(at, end);
        }
        return at == end || unexpected(at);
    }

    static bool allowedAfter(Element element, const std::string& name, bool function) {
        if (function && among(kLogical, name)) {
            return true;
        }
        switch (element) {
        case Element::ScrollbarPart: return !function && among(kScrollbarStates, name);
        case Element::WebKitPart: return !function && among(kUserActions, name);
        case Element::Selection: return !function && name == "window-inactive";
        case Element::Part: return !name.starts_with("nth-") && !among(kTreePositions, name);
        case Element::Slotted:
        case Element::None:
        case Element::Other: return false;
        }
        return false;
    }

    static Element elementKind(const std::string& name, bool function) {
        if (function) {
            if (name == "part") {
                return Element::Part;
            }
            return name == "slotted" ? Element::Slotted : Element::Other;
        }
        if (among(kScrollbarParts, name)) {
            return Element::ScrollbarPart;
        }
        if (name.starts_with("-webkit-") || among(kUserAgentParts, name)) {
            return Element::WebKitPart;
        }
        return name == "selection" ? Element::Selection : Element::Other;
    }

    bool pseudo(std::size_t& at, std::size_t end, Element& pseudoElement) {
        ++at;
        bool element = false;
        if (is(at, end, CssTokenType::Colon)) {
            element = true;
            ++at;
        }
        if (!is(at, end, CssTokenType::Ident) && !is(at, end, CssTokenType::Function)) {
            return fail(std::string(element ? "\"::\"" : "\":\"") + " names nothing");
        }
        const std::size_t nameAt = at;
        const CssToken& token = tokens_[at];
        const std::string name = lower(token.value);
        const bool function = token.type == CssTokenType::Function;
        at = function ? std::min(after(at), end) : at + 1;
        if (!element && !function && among(kLegacyPseudoElements, name)) {
            element = true;
        }
        if (element) {
            // One pseudo-element per compound, but for those of the parts of a shadow tree.
            const bool second = pseudoElement != Element::None;
            const bool allowed = !second || (pseudoElement == Element::Part && !function) ||
                                 (pseudoElement == Element::Slotted && !function && among(kTreeAbiding, name));
            if (!allowed) {
                return unexpected(nameAt - 1);
            }
            if (hasDepth_ > 0 || logicalDepth_ > 0) {
                return fail("a pseudo-element inside a pseudo-class");
            }
            pseudoElement = elementKind(name, function);
            return function ? pseudoElementFunction(name, nameAt + 1, inside(nameAt, end))
                            : among(kPseudoElements, name) || name.starts_with("-webkit-") ||
                                  fail("unknown pseudo-element " + quoted("::" + token.value));
        }
        // After a pseudo-element, also inside the selectors of a pseudo-class that follows it.
        const Element governing = pseudoElement != Element::None ? pseudoElement : outerElement_;
        if (governing != Element::None && !allowedAfter(governing, name, function)) {
            return fail(quoted(":" + token.text) + " cannot follow a pseudo-element");
        }
        if (!function) {
            return among(kPseudoClasses, name) || fail("unknown pseudo-class " + quoted(":" + token.value));
        }
        const Element outer = outerElement_;
        outerElement_ = governing;
        const bool read = pseudoClassFunction(name, nameAt + 1, inside(nameAt, end));
        outerElement_ = outer;
        return read;
    }

    bool pseudoElementFunction(const std::string& name, std::size_t at, std::size_t end) {
        skipSpace(at, end);
        std::size_t last = end;
        while (last > at && tokens_[last - 1].type == CssTokenType::Whitespace) {
            --last;
        }
        if (name == "part") {
            if (at == last) {
                return fail("\"::part()\" names no part");
            }
            for (std::size_t i = at; i < last; ++i) {
                if (!is(i, last, CssTokenType::Ident) && !is(i, last, CssTokenType::Whitespace)) {
                    return unexpected(i);
                }
            }
            return true;
        }
        if (name == "slotted") {
            std::size_t i = at;
            return (compound(i, last) && (i == last || unexpected(i)));
        }
        if (name == "cue") {
            return selectorList(at, last, false, false);
        }
        if (name == "highlight") {
            return (last == at + 1 && is(at, last, CssTokenType::Ident)) ||
                   fail("unexpected argument of " + quoted("::highlight()"));
        }
        return fail("unknown pseudo-element " + quoted("::" + name + "()"));
    }

    bool pseudoClassFunction(const std::string& name, std::size_t at, std::size_t end) {
        skipSpace(at, end);
        std::size_t last = end;
        while (last > at && tokens_[last - 1].type == CssTokenType::Whitespace) {
            --last;
        }
        if (name == "not" || name == "is" || name == "where" || name == "matches" || name == "-webkit-any") {
            ++logicalDepth_;
            const bool read = selectorList(at, last, false, name != "not");
            --logicalDepth_;
            return read;
        }
        if (name == "has") {
            if (hasDepth_ > 0) {
                return fail("\":has()\" holds another");
            }
            ++hasDepth_;
            const bool read = selectorList(at, last, true, false);
            --hasDepth_;
            return read;
        }
        if (name == "nth-child" || name == "nth-last-child" || name == "nth-of-type" || name == "nth-last-of-type") {
            return nth(at, last, name == "nth-child" || name == "nth-last-child");
        }
        if (name == "lang") {
            return languages(at, last);
        }
        if (name == "dir" || name == "state") {
            return (last == at + 1 && is(at, last, CssTokenType::Ident)) ||
                   fail("unexpected argument of " + quoted(":" + name + "()"));
        }
        if (name == "host") {
            ++logicalDepth_;
            std::size_t i = at;
            const bool read = compound(i, last) && (i == last || unexpected(i));
            --logicalDepth_;
            return read;
        }
        return fail("unknown pseudo-class " + quoted(":" + name + "()"));
    }

    bool languages(std::size_t at, std::size_t end) {
        while (true) {
            if (!is(at, end, CssTokenType::Ident) && !is(at, end, CssTokenType::String)) {
                return fail("\":lang()\" names no language");
            }
            ++at;
            skipSpace(at, end);
            if (at == end) {
                return true;
            }
            if (!is(at, end, CssTokenType::Comma)) {
                return unexpected(at);
            }
            ++at;
            skipSpace(at, end);
        }
    }

    // An integer with no sign of its own, the "B" after a separate "+" or "-".
    bool signlessInteger(std::size_t at, std::size_t end) const {
        return is(at, end, CssTokenType::Number) && tokens_[at].integer && !tokens_[at].signed_;
    }

    // What may follow "An" (a bare "n"): nothing, a signed integer, or a sign and an integer.
    bool afterN(std::size_t& at, std::size_t end) const {
        std::size_t i = at;
        skipSpace(i, end);
        if (is(i, end, CssTokenType::Number) && tokens_[i].integer && tokens_[i].signed_) {
            at = i + 1;
        } else if (isDelim(i, end, '+') || isDelim(i, end, '-')) {
            ++i;
            skipSpace(i, end);
            if (!signlessInteger(i, end)) {
                return false;
            }
            at = i + 1;
        }
        return true;
    }

    // "n", "n-", "n-<digits>" (after a number, or as a name with or without a leading "-").
    static bool digitsOnly(std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return isDigit(static_cast<unsigned char>(c)); });
    }
    bool nTail(std::string_view unit, std::size_t& at, std::size_t end) const {
        if (unit == "n") {
            return afterN(at, end);
        }
        if (unit == "n-") {
            skipSpace(at, end);
            if (!signlessInteger(at, end)) {
                return false;
            }
            ++at;
            return true;
        }
        return unit.starts_with("n-") && digitsOnly(unit.substr(2));
    }

    bool anPlusB(std::size_t& at, std::size_t end) const {
        if (at >= end) {
            return false;
        }
        const CssToken& token = tokens_[at];
        ++at;
        if (token.type == CssTokenType::Number) {
            return token.integer;
        }
        if (token.type == CssTokenType::Dimension) {
            return token.integer && nTail(lower(token.value), at, end);
        }
        if (token.type == CssTokenType::Ident) {
            const std::string value = lower(token.value);
            if (value == "odd" || value == "even") {
                return true;
            }
            return nTail(value.starts_with("-") ? std::string_view(value).substr(1) : std::string_view(value), at, end);
        }
        if (token.type == CssTokenType::Delim && token.delim == '+' && is(at, end, CssTokenType::Ident)) {
            const std::string value = lower(tokens_[at].value);
            ++at;
            return nTail(value, at, end);
        }
        return false;
    }

    bool nth(std::size_t at, std::size_t end, bool ofSelector) {
        if (!anPlusB(at, end)) {
            return fail("the argument of an \":nth-\" pseudo-class is not of the form An+B");
        }
        const bool spaced = is(at, end, CssTokenType::Whitespace);
        skipSpace(at, end);
        if (at == end) {
            return true;
        }
        if (ofSelector && spaced && is(at, end, CssTokenType::Ident) && lower(tokens_[at].value) == "of") {
            ++at;
            skipSpace(at, end);
            ++logicalDepth_;
            const bool read = selectorList(at, end, false, false);
            --logicalDepth_;
            return read;
        }
        return unexpected(at);
    }

    std::vector<CssToken> tokens_;
    std::vector<std::size_t> closing_;
    std::optional<std::string> problem_;
    int hasDepth_ = 0;                      // inside ":has()", which takes neither pseudo-elements nor itself
    int logicalDepth_ = 0;                  // inside ":not()", ":is()" and the like, which take no pseudo-elements
    Element outerElement_ = Element::None;  // the pseudo-element a pseudo-class being read follows
    bool compoundHadPseudoElement_ = false; // the compound just read: nothing may follow it
};

} // namespace

std::optional<std::string> selectorProblem(std::string_view selector) { return SelectorReader(selector).read(); }

} // namespace orvane
