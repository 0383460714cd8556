#include "filterlists/WebKitRegex.h"

namespace orvane::filterlists {
namespace {

bool isPrintableAscii(char c) { return c >= 0x20 && c < 0x7F; }

bool isAlphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// An escape that stands for its punctuation character. Letters and digits after a backslash are
// class escapes, back references or control characters.
bool isLiteralEscape(char c) { return isPrintableAscii(c) && !isAlphanumeric(c); }

} // namespace

std::optional<std::string> webkitUrlFilterFault(std::string_view expression) {
    if (expression.empty()) {
        return "empty expression";
    }
    int depth = 0;
    // Whether the last thing read may take a quantifier.
    bool afterAtom = false;
    for (std::size_t i = 0; i < expression.size(); ++i) {
        const char c = expression[i];
        if (!isPrintableAscii(c)) {
            return "a character outside printable ASCII";
        }
        switch (c) {
        case '\\':
            if (i + 1 == expression.size() || !isLiteralEscape(expression[i + 1])) {
                return "an escape other than of punctuation";
            }
            ++i;
            afterAtom = true;
            break;
        case '^':
            if (i != 0) {
                return "\"^\" not at the start";
            }
            afterAtom = false;
            break;
        case '$':
            if (i + 1 != expression.size()) {
                return "\"$\" not at the end";
            }
            afterAtom = false;
            break;
        case '|':
            return "alternatives";
        case '{':
        case '}':
            return "counted repetition";
        case '*':
        case '+':
        case '?':
            if (!afterAtom) {
                return "a quantifier without an atom before it";
            }
            afterAtom = false;
            break;
        case '(':
            if (i + 1 < expression.size() && expression[i + 1] == '?') {
                if (i + 2 >= expression.size() || expression[i + 2] != ':') {
                    return "lookaround";
                }
                i += 2;
            }
            ++depth;
            afterAtom = false;
            break;
        case ')':
            if (depth == 0) {
                return "unbalanced parentheses";
            }
            --depth;
            afterAtom = true;
            break;
        case '[': {
            std::size_t j = i + 1;
            if (j < expression.size() && expression[j] == '^') {
                ++j;
            }
            if (j < expression.size() && expression[j] == ']') {
                return "an empty character class";
            }
            bool closed = false;
            for (; j < expression.size(); ++j) {
                const char member = expression[j];
                if (!isPrintableAscii(member)) {
                    return "a character outside printable ASCII";
                }
                if (member == '\\') {
                    if (j + 1 == expression.size() || !isLiteralEscape(expression[j + 1])) {
                        return "an escape other than of punctuation";
                    }
                    ++j;
                } else if (member == '[') {
                    return "a nested character class";
                } else if (member == ']') {
                    closed = true;
                    break;
                }
            }
            if (!closed) {
                return "an unclosed character class";
            }
            i = j;
            afterAtom = true;
            break;
        }
        case ']':
            return "an unopened character class";
        default:
            afterAtom = true;
            break;
        }
    }
    if (depth != 0) {
        return "unbalanced parentheses";
    }
    return std::nullopt;
}

} // namespace orvane::filterlists
