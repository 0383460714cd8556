#include "model/CssTokens.h"

namespace orvane {
namespace {

bool isNameStart(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isName(unsigned char c) { return isNameStart(c) || isDigit(c) || c == '-'; }
bool isHex(unsigned char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isNewline(unsigned char c) { return c == '\n' || c == '\r' || c == '\f'; }
bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || isNewline(c); }

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    std::vector<CssToken> tokens() {
        std::vector<CssToken> tokens;
        while (true) {
            skipComments();
            if (at_ >= text_.size()) {
                return tokens;
            }
            const std::size_t start = at_;
            CssToken token = next();
            token.text = std::string(text_.substr(start, at_ - start));
            tokens.push_back(std::move(token));
        }
    }

private:
    unsigned char peek(std::size_t ahead = 0) const {
        return at_ + ahead < text_.size() ? static_cast<unsigned char>(text_[at_ + ahead]) : 0;
    }
    // A backslash before anything but a line break; at the end of the text it stands for U+FFFD.
    bool validEscape(std::size_t ahead = 0) const { return peek(ahead) == '\\' && !isNewline(peek(ahead + 1)); }
    bool startsIdentifier(std::size_t ahead = 0) const {
        const unsigned char c = peek(ahead);
        if (c == '-') {
            return isNameStart(peek(ahead + 1)) || peek(ahead + 1) == '-' || validEscape(ahead + 1);
        }
        return isNameStart(c) || validEscape(ahead);
    }
    bool startsNumber() const {
        const unsigned char c = peek();
        if (c == '+' || c == '-') {
            return isDigit(peek(1)) || (peek(1) == '.' && isDigit(peek(2)));
        }
        if (c == '.') {
            return isDigit(peek(1));
        }
        return isDigit(c);
    }

    void skipComments() {
        while (peek() == '/' && peek(1) == '*') {
            const auto end = text_.find("*/", at_ + 2);
            at_ = end == std::string_view::npos ? text_.size() : end + 2;
        }
    }

    // After the backslash: up to six hex digits and one space, or any one character.
    std::string escape() {
        if (at_ >= text_.size()) {
            return "\xEF\xBF\xBD";
        }
        if (isHex(peek())) {
            std::string digits;
            while (digits.size() < 6 && isHex(peek())) {
                digits += static_cast<char>(peek());
                ++at_;
            }
            if (isSpace(peek())) {
                ++at_;
            }
            const unsigned long value = std::stoul(digits, nullptr, 16);
            // The name's characters matter only for ASCII comparisons here.
            return value < 0x80 && value != 0 ? std::string(1, static_cast<char>(value)) : std::string("\xEF\xBF\xBD");
        }
        std::size_t length = 1;
        const auto lead = peek();
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        std::string character(text_.substr(at_, length));
        at_ += length;
        return character;
    }

    std::string name() {
        std::string result;
        while (at_ < text_.size()) {
            if (isName(peek())) {
                result += static_cast<char>(peek());
                ++at_;
            } else if (validEscape()) {
                ++at_;
                result += escape();
            } else {
                break;
            }
        }
        return result;
    }

    CssToken numeric() {
        CssToken token{CssTokenType::Number, {}, {}};
        token.integer = true;
        if (peek() == '+' || peek() == '-') {
            token.signed_ = true;
            ++at_;
        }
        while (isDigit(peek())) {
            ++at_;
        }
        if (peek() == '.' && isDigit(peek(1))) {
            token.integer = false;
            at_ += 2;
            while (isDigit(peek())) {
                ++at_;
            }
        }
        if ((peek() == 'e' || peek() == 'E') &&
            (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
            token.integer = false;
            at_ += 2;
            while (isDigit(peek())) {
                ++at_;
            }
        }
        if (startsIdentifier()) {
            token.type = CssTokenType::Dimension;
            token.value = name();
        } else if (peek() == '%') {
            ++at_;
            token.type = CssTokenType::Percentage;
        }
        return token;
    }

    CssToken string(unsigned char quote) {
        ++at_;
        CssToken token{CssTokenType::String, {}, {}};
        while (at_ < text_.size()) {
            const unsigned char c = peek();
            if (c == quote) {
                ++at_;
                return token;
            }
            if (isNewline(c)) {
                token.type = CssTokenType::BadString;
                return token;
            }
            if (c == '\\') {
                ++at_;
                if (at_ < text_.size() && isNewline(peek())) {
                    ++at_;
                } else if (at_ < text_.size()) {
                    token.value += escape();
                }
                continue;
            }
            token.value += static_cast<char>(c);
            ++at_;
        }
        return token; // ended by the end of the text, which closes it
    }

    CssToken identLike() {
        CssToken token{CssTokenType::Ident, name(), {}};
        if (peek() == '(') {
            ++at_;
            token.type = CssTokenType::Function;
        }
        return token;
    }

    CssToken single(CssTokenType type) {
        ++at_;
        return CssToken{type, {}, {}};
    }

    CssToken delim() {
        CssToken token{CssTokenType::Delim, {}, {}};
        token.delim = static_cast<char>(peek());
        ++at_;
        return token;
    }

    CssToken next() {
        const unsigned char c = peek();
        if (isSpace(c)) {
            while (isSpace(peek())) {
                ++at_;
            }
            return CssToken{CssTokenType::Whitespace, {}, {}};
        }
        switch (c) {
        case '"':
        case '\'': return string(c);
        case '#':
            if (isName(peek(1)) || validEscape(1)) {
                ++at_;
                CssToken token{CssTokenType::Hash, {}, {}};
                token.isId = startsIdentifier();
                token.value = name();
                return token;
            }
            return delim();
        case '(': return single(CssTokenType::LeftParenthesis);
        case ')': return single(CssTokenType::RightParenthesis);
        case '[': return single(CssTokenType::LeftBracket);
        case ']': return single(CssTokenType::RightBracket);
        case '{': return single(CssTokenType::LeftBrace);
        case '}': return single(CssTokenType::RightBrace);
        case ',': return single(CssTokenType::Comma);
        case ':': return single(CssTokenType::Colon);
        case ';': return single(CssTokenType::Semicolon);
        case '+':
        case '.': return startsNumber() ? numeric() : delim();
        case '-':
            if (startsNumber()) {
                return numeric();
            }
            if (peek(1) == '-' && peek(2) == '>') {
                at_ += 3;
                return CssToken{CssTokenType::Other, {}, {}};
            }
            return startsIdentifier() ? identLike() : delim();
        case '<':
            if (text_.substr(at_, 4) == "<!--") {
                at_ += 4;
                return CssToken{CssTokenType::Other, {}, {}};
            }
            return delim();
        case '@':
            if (startsIdentifier(1)) {
                ++at_;
                return CssToken{CssTokenType::AtKeyword, name(), {}};
            }
            return delim();
        case '\\': return validEscape() ? identLike() : delim();
        case '~':
        case '|':
        case '^':
        case '$':
        case '*':
            if (peek(1) == '=') {
                at_ += 2;
                return CssToken{c == '~'   ? CssTokenType::IncludeMatch
                             : c == '|' ? CssTokenType::DashMatch
                             : c == '^' ? CssTokenType::PrefixMatch
                             : c == '$' ? CssTokenType::SuffixMatch
                                        : CssTokenType::SubstringMatch,
                             {},
                             {}};
            }
            if (c == '|' && peek(1) == '|') {
                at_ += 2;
                return CssToken{CssTokenType::Column, {}, {}};
            }
            return delim();
        default: break;
        }
        if (isDigit(c)) {
            return numeric();
        }
        if (isNameStart(c)) {
            return identLike();
        }
        return delim();
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

std::vector<CssToken> cssTokens(std::string_view text) { return Tokenizer(text).tokens(); }

} // namespace orvane
