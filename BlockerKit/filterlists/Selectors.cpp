#include "filterlists/Selectors.h"

#include <algorithm>
#include <array>

namespace orvane::filterlists {
namespace {

constexpr std::array<std::string_view, 26> kPlainPseudoClasses{
    "first-child", "last-child", "only-child", "first-of-type", "last-of-type", "only-of-type",
    "empty",       "root",       "link",       "visited",       "hover",        "active",
    "focus",       "focus-within", "target",   "checked",       "disabled",     "enabled",
    "any-link",    "scope",      "required",   "optional",      "read-only",    "read-write",
    "placeholder-shown", "defined"};
// Their argument is a selector list; ":has" takes relative selectors.
constexpr std::array<std::string_view, 4> kSelectorPseudoClasses{"not", "is", "where", "has"};
constexpr std::array<std::string_view, 4> kNthPseudoClasses{"nth-child", "nth-last-child", "nth-of-type",
                                                            "nth-last-of-type"};
constexpr std::array<std::string_view, 26> kExtendedPseudoClasses{
    "-abp-has",  "-abp-contains", "-abp-properties", "has-text",   "contains",      "xpath",
    "upward",    "style",         "remove",          "matches-css", "matches-css-before",
    "matches-css-after", "matches-attr", "matches-path", "matches-prop", "min-text-length",
    "watch-attr", "others",       "if",              "if-not",     "nth-ancestor",  "remove-attr",
    "remove-class", "matches-media", "shadow", "properties"};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool isNonAscii(char c) { return static_cast<unsigned char>(c) >= 0x80; }
bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || isNonAscii(c); }
bool isNameCharacter(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-'; }
bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

// A recursive-descent reader of the selector grammar above; every method answers a fault or
// moves past what it read.
class SelectorReader {
public:
    explicit SelectorReader(std::string_view text) : text_(text) {}

    std::optional<std::string> readAll() {
        if (auto fault = selectorList(false)) {
            return fault;
        }
        if (position_ != text_.size()) {
            return "unexpected \"" + std::string(1, text_[position_]) + "\"";
        }
        return std::nullopt;
    }

private:
    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[position_]; }
    void skipWhitespace() {
        while (!atEnd() && isWhitespace(peek())) {
            ++position_;
        }
    }

    std::optional<std::string> selectorList(bool relative) {
        while (true) {
            skipWhitespace();
            if (auto fault = complexSelector(relative)) {
                return fault;
            }
            skipWhitespace();
            if (peek() != ',') {
                return std::nullopt;
            }
            ++position_;
        }
    }

    std::optional<std::string> complexSelector(bool relative) {
        if (relative && (peek() == '>' || peek() == '+' || peek() == '~')) {
            ++position_;
            skipWhitespace();
        }
        if (auto fault = compoundSelector()) {
            return fault;
        }
        while (true) {
            const std::size_t before = position_;
            skipWhitespace();
            const char c = peek();
            if (c == '>' || c == '+' || c == '~') {
                ++position_;
                skipWhitespace();
            } else if (atEnd() || c == ',' || c == ')' || position_ == before) {
                // The end of this selector; whatever follows is the caller's.
                return std::nullopt;
            }
            if (auto fault = compoundSelector()) {
                return fault;
            }
        }
    }

    std::optional<std::string> compoundSelector() {
        bool any = false;
        if (peek() == '*') {
            ++position_;
            any = true;
        } else if (isNameStart(peek()) || peek() == '-' || peek() == '\\') {
            if (auto fault = identifier()) {
                return fault;
            }
            any = true;
        }
        if (peek() == '|') {
            return std::string("a namespace");
        }
        while (true) {
            const char c = peek();
            std::optional<std::string> fault;
            if (c == '#') {
                ++position_;
                fault = identifier();
            } else if (c == '.') {
                ++position_;
                fault = identifier();
            } else if (c == '[') {
                fault = attribute();
            } else if (c == ':') {
                fault = pseudoClass();
            } else {
                break;
            }
            if (fault) {
                return fault;
            }
            any = true;
        }
        if (!any) {
            return atEnd() ? std::string("a selector that ends early")
                           : "unexpected \"" + std::string(1, peek()) + "\"";
        }
        return std::nullopt;
    }

    std::optional<std::string> escape() {
        ++position_;
        if (atEnd() || peek() == '\n') {
            return std::string("a broken escape");
        }
        if (isHexDigit(peek())) {
            for (int digits = 0; digits < 6 && isHexDigit(peek()); ++digits) {
                ++position_;
            }
            if (isWhitespace(peek())) {
                ++position_;
            }
        } else {
            ++position_;
        }
        return std::nullopt;
    }

    // An identifier, as CSS writes one: no digit first, and a hyphen first only before a name.
    std::optional<std::string> identifier() {
        const std::size_t start = position_;
        if (peek() == '-') {
            ++position_;
            if (peek() == '-') {
                ++position_;
            } else if (!isNameStart(peek()) && peek() != '\\') {
                return std::string("a malformed name");
            }
        } else if (!isNameStart(peek()) && peek() != '\\') {
            return std::string("a malformed name");
        }
        while (!atEnd()) {
            if (peek() == '\\') {
                if (auto fault = escape()) {
                    return fault;
                }
            } else if (isNameCharacter(peek())) {
                ++position_;
            } else {
                break;
            }
        }
        return position_ > start ? std::nullopt : std::optional<std::string>("a malformed name");
    }

    std::optional<std::string> quotedString() {
        const char quote = peek();
        ++position_;
        while (!atEnd() && peek() != quote) {
            if (peek() == '\n') {
                return std::string("a broken string");
            }
            if (peek() == '\\') {
                ++position_;
            }
            ++position_;
        }
        if (atEnd()) {
            return std::string("an unclosed string");
        }
        ++position_;
        return std::nullopt;
    }

    std::optional<std::string> attribute() {
        ++position_;
        skipWhitespace();
        if (auto fault = identifier()) {
            return fault;
        }
        if (peek() == '|' && text_.substr(position_).substr(0, 2) != "|=") {
            return std::string("a namespace");
        }
        skipWhitespace();
        if (peek() == ']') {
            ++position_;
            return std::nullopt;
        }
        if (peek() == '~' || peek() == '|' || peek() == '^' || peek() == '$' || peek() == '*') {
            ++position_;
        }
        if (peek() != '=') {
            return std::string("a malformed attribute selector");
        }
        ++position_;
        skipWhitespace();
        std::optional<std::string> fault =
            peek() == '"' || peek() == '\'' ? quotedString() : identifier();
        if (fault) {
            return fault;
        }
        skipWhitespace();
        if (peek() == 'i' || peek() == 'I') {
            ++position_;
            skipWhitespace();
        }
        if (peek() != ']') {
            return std::string("a malformed attribute selector");
        }
        ++position_;
        return std::nullopt;
    }

    std::optional<std::string> pseudoClass() {
        ++position_;
        if (peek() == ':') {
            // Only the two that hide generated content, and only at the end of a whole selector.
            for (std::string_view element : {":before", ":after"}) {
                std::size_t end = position_ + element.size();
                if (depth_ > 0 || text_.substr(position_, element.size()) != element) {
                    continue;
                }
                while (end < text_.size() && isWhitespace(text_[end])) {
                    ++end;
                }
                if (end == text_.size() || text_[end] == ',') {
                    position_ += element.size();
                    return std::nullopt;
                }
            }
            return std::string("a pseudo-element");
        }
        const std::size_t start = position_;
        if (peek() == '-') {
            ++position_;
        }
        while (!atEnd() && (isNameCharacter(peek()))) {
            ++position_;
        }
        const std::string name = lowered(text_.substr(start, position_ - start));
        if (contains(kExtendedPseudoClasses, name)) {
            return "the list engine's pseudo-class :" + name;
        }
        if (peek() != '(') {
            if (contains(kPlainPseudoClasses, name)) {
                return std::nullopt;
            }
            return "the pseudo-class :" + name;
        }
        ++position_;
        skipWhitespace();
        std::optional<std::string> fault;
        if (name == "has" && insideHas_) {
            return std::string(":has() inside :has()");
        }
        ++depth_;
        if (contains(kSelectorPseudoClasses, name)) {
            const bool outerHas = insideHas_;
            insideHas_ = insideHas_ || name == "has";
            fault = selectorList(name == "has");
            insideHas_ = outerHas;
        } else if (contains(kNthPseudoClasses, name)) {
            fault = nthArgument(name == "nth-child" || name == "nth-last-child");
        } else {
            return "the pseudo-class :" + name + "()";
        }
        --depth_;
        if (fault) {
            return fault;
        }
        skipWhitespace();
        if (peek() != ')') {
            return "a malformed :" + name + "()";
        }
        ++position_;
        return std::nullopt;
    }

    // "odd", "even", "3", "-n+3", "2n + 1", with " of S" for the child forms.
    std::optional<std::string> nthArgument(bool mayFilter) {
        const std::size_t start = position_;
        while (!atEnd() && (isNameCharacter(peek()) || peek() == '+')) {
            ++position_;
        }
        std::string first = lowered(text_.substr(start, position_ - start));
        bool valid = first == "odd" || first == "even";
        if (!valid) {
            std::size_t i = 0;
            if (i < first.size() && (first[i] == '+' || first[i] == '-')) {
                ++i;
            }
            while (i < first.size() && isDigit(first[i])) {
                ++i;
            }
            if (i == first.size()) {
                valid = i > 0 && isDigit(first.back());
            } else if (first[i] == 'n') {
                ++i;
                // "2n+1" may come as one token or with spaces around the sign.
                if (i < first.size() && (first[i] == '+' || first[i] == '-')) {
                    ++i;
                    const std::size_t digits = i;
                    while (i < first.size() && isDigit(first[i])) {
                        ++i;
                    }
                    valid = i == first.size() && i > digits;
                } else {
                    valid = i == first.size();
                    skipWhitespace();
                    if (valid && (peek() == '+' || peek() == '-')) {
                        ++position_;
                        skipWhitespace();
                        const std::size_t digits = position_;
                        while (!atEnd() && isDigit(peek())) {
                            ++position_;
                        }
                        valid = position_ > digits;
                    }
                }
            }
        }
        if (!valid) {
            return std::string("a malformed :nth- argument");
        }
        skipWhitespace();
        if (mayFilter && text_.substr(position_).starts_with("of") && position_ + 2 < text_.size() &&
            isWhitespace(text_[position_ + 2])) {
            position_ += 2;
            return selectorList(false);
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t position_ = 0;
    int depth_ = 0; // inside how many pseudo-class arguments
    bool insideHas_ = false;
};

} // namespace

std::optional<std::string> selectorFault(std::string_view selector) {
    if (selector.empty()) {
        return std::string("an empty selector");
    }
    return SelectorReader(selector).readAll();
}

bool isExtendedSelector(std::string_view selector) {
    for (std::size_t colon = selector.find(':'); colon != std::string_view::npos;
         colon = selector.find(':', colon + 1)) {
        std::size_t end = colon + 1;
        while (end < selector.size() && isNameCharacter(selector[end])) {
            ++end;
        }
        if (contains(kExtendedPseudoClasses, lowered(selector.substr(colon + 1, end - colon - 1)))) {
            return true;
        }
    }
    return false;
}

} // namespace orvane::filterlists
