#include "filterlists/RegexFilters.h"

#include "model/UrlFilterSyntax.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <tuple>
#include <optional>

namespace orvane::filterlists {
namespace {

// Stand-ins for "^" and "$" while expressions are put together: only once a whole expression is
// known can it be told whether they ended up at its ends.
constexpr char kStart = '\x01';
constexpr char kEnd = '\x02';

constexpr std::size_t kMaxExpressions = 32;
// WebKit builds a DFA: forty copies of "." after a literal already take it a second, sixty ten.
constexpr int kMaxRepeat = 32;
constexpr std::size_t kMaxLength = 4096;
constexpr int kUnbounded = std::numeric_limits<int>::max();

struct Node {
    enum class Kind { Atom, Sequence, Alternatives, Repeat };
    Kind kind = Kind::Atom;
    std::string atom; // Atom: in WebKit's syntax, or kStart / kEnd
    std::vector<Node> children;
    int min = 1;
    int max = 1;
};

using Variants = std::vector<std::string>;

class Parser {
public:
    explicit Parser(std::string_view source) : source_(source) {}

    Expected<Node, std::string> parse() {
        auto node = alternatives();
        if (!node) {
            return node;
        }
        if (position_ != source_.size()) {
            return std::string("unbalanced parentheses");
        }
        return node;
    }

private:
    bool atEnd() const { return position_ >= source_.size(); }
    char peek() const { return source_[position_]; }

    Expected<Node, std::string> alternatives() {
        Node node{Node::Kind::Alternatives, {}, {}, 1, 1};
        while (true) {
            auto branch = sequence();
            if (!branch) {
                return branch;
            }
            node.children.push_back(std::move(branch).value());
            if (atEnd() || peek() != '|') {
                break;
            }
            ++position_;
        }
        return node;
    }

    Expected<Node, std::string> sequence() {
        Node node{Node::Kind::Sequence, {}, {}, 1, 1};
        while (!atEnd() && peek() != '|' && peek() != ')') {
            auto item = atom();
            if (!item) {
                return item;
            }
            auto repeated = quantified(std::move(item).value());
            if (!repeated) {
                return repeated;
            }
            node.children.push_back(std::move(repeated).value());
        }
        return node;
    }

    Expected<Node, std::string> atom() {
        const char c = peek();
        ++position_;
        switch (c) {
        case '^': return Node{Node::Kind::Atom, std::string(1, kStart), {}, 1, 1};
        case '$': return Node{Node::Kind::Atom, std::string(1, kEnd), {}, 1, 1};
        case '.': return Node{Node::Kind::Atom, ".", {}, 1, 1};
        case '(': {
            if (!atEnd() && peek() == '?') {
                if (position_ + 1 < source_.size() && source_[position_ + 1] == ':') {
                    position_ += 2;
                } else {
                    return std::string("lookaround or a named group");
                }
            }
            auto inner = alternatives();
            if (!inner) {
                return inner;
            }
            if (atEnd() || peek() != ')') {
                return std::string("unbalanced parentheses");
            }
            ++position_;
            return inner;
        }
        case '[': return characterClass();
        case '\\': {
            std::string text;
            if (auto fault = escape(false, text)) {
                return *fault;
            }
            return Node{Node::Kind::Atom, std::move(text), {}, 1, 1};
        }
        case '*':
        case '+':
        case '?':
        case '{':
        case '}':
        case ']':
        case ')': return std::string("a misplaced \"") + c + "\"";
        default:
            if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20) {
                return std::string("a character outside printable ASCII");
            }
            return Node{Node::Kind::Atom, std::string(1, c), {}, 1, 1};
        }
    }

    // After a backslash: appends the escape's WebKit form to `out`, or answers why there is none.
    // Inside a class the class escapes give their members only.
    std::optional<std::string> escape(bool inClass, std::string& out) {
        if (atEnd()) {
            return "a trailing backslash";
        }
        const char c = peek();
        ++position_;
        switch (c) {
        case 'd': out += inClass ? "0-9" : "[0-9]"; return std::nullopt;
        case 'w': out += inClass ? "A-Za-z0-9_" : "[A-Za-z0-9_]"; return std::nullopt;
        case 'D':
        case 'W':
            if (inClass) {
                return "a negated class escape inside a class";
            }
            out += c == 'D' ? "[^0-9]" : "[^A-Za-z0-9_]";
            return std::nullopt;
        case '/': out += '/'; return std::nullopt;
        default: break;
        }
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            return std::string("the escape \"\\") + c + "\"";
        }
        if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20) {
            return "a character outside printable ASCII";
        }
        out += '\\';
        out += c;
        return std::nullopt;
    }

    Expected<Node, std::string> characterClass() {
        std::string text = "[";
        if (!atEnd() && peek() == '^') {
            text += '^';
            ++position_;
        }
        bool first = true;
        while (!atEnd() && (peek() != ']' || first)) {
            const char c = peek();
            ++position_;
            first = false;
            if (c == '\\') {
                if (auto fault = escape(true, text)) {
                    return *fault;
                }
            } else if (c == ']' || c == '[') {
                text += '\\';
                text += c;
            } else if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20) {
                return std::string("a character outside printable ASCII");
            } else {
                text += c;
            }
        }
        if (atEnd()) {
            return std::string("an unclosed character class");
        }
        ++position_;
        text += ']';
        return Node{Node::Kind::Atom, std::move(text), {}, 1, 1};
    }

    Expected<Node, std::string> quantified(Node node) {
        if (atEnd()) {
            return node;
        }
        int min = 1;
        int max = 1;
        switch (peek()) {
        case '*': min = 0; max = kUnbounded; ++position_; break;
        case '+': min = 1; max = kUnbounded; ++position_; break;
        case '?': min = 0; max = 1; ++position_; break;
        case '{': {
            auto counts = repeatCounts();
            if (!counts) {
                return counts.error();
            }
            std::tie(min, max) = *counts;
            break;
        }
        default: return node;
        }
        // Laziness changes which match is found, never whether there is one.
        if (!atEnd() && peek() == '?') {
            ++position_;
        }
        if (!atEnd() && (peek() == '*' || peek() == '+' || peek() == '?' || peek() == '{')) {
            return std::string("a quantifier after a quantifier");
        }
        return Node{Node::Kind::Repeat, {}, {std::move(node)}, min, max};
    }

    Expected<std::pair<int, int>, std::string> repeatCounts() {
        const std::size_t close = source_.find('}', position_);
        if (close == std::string_view::npos) {
            return std::string("an unclosed repetition count");
        }
        const std::string_view inside = source_.substr(position_ + 1, close - position_ - 1);
        position_ = close + 1;
        const std::size_t comma = inside.find(',');
        auto number = [](std::string_view text, int& value) {
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            return error == std::errc{} && end == text.data() + text.size();
        };
        int min = 0;
        int max = 0;
        if (comma == std::string_view::npos) {
            if (!number(inside, min)) {
                return std::string("a malformed repetition count");
            }
            max = min;
        } else {
            if (!number(inside.substr(0, comma), min)) {
                return std::string("a malformed repetition count");
            }
            const std::string_view upper = inside.substr(comma + 1);
            if (upper.empty()) {
                max = kUnbounded;
            } else if (!number(upper, max)) {
                return std::string("a malformed repetition count");
            }
        }
        if (min > max || min > kMaxRepeat || (max != kUnbounded && max > kMaxRepeat)) {
            return std::string("a repetition count too large to write out");
        }
        return std::pair{min, max};
    }

    std::string_view source_;
    std::size_t position_ = 0;
};

// A single atom may take a quantifier as it is; anything longer needs a group.
bool isSingleAtom(const std::string& text) {
    if (text.size() == 1) {
        return text[0] != kStart && text[0] != kEnd;
    }
    if (text.size() == 2 && text[0] == '\\') {
        return true;
    }
    if (text.front() != '[') {
        return false;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == ']' && i > 1 && !(i == 2 && text[1] == '^')) {
            return i + 1 == text.size();
        }
    }
    return false;
}

class Expander {
public:
    Expected<Variants, std::string> expand(const Node& node) {
        switch (node.kind) {
        case Node::Kind::Atom: return Variants{node.atom};
        case Node::Kind::Alternatives: {
            Variants all;
            for (const Node& child : node.children) {
                auto variants = expand(child);
                if (!variants) {
                    return variants;
                }
                for (std::string& variant : variants.value()) {
                    if (std::find(all.begin(), all.end(), variant) == all.end()) {
                        all.push_back(std::move(variant));
                    }
                }
                if (all.size() > kMaxExpressions) {
                    return std::string("too many alternatives");
                }
            }
            return all;
        }
        case Node::Kind::Sequence: {
            Variants product{std::string()};
            for (const Node& child : node.children) {
                auto variants = expand(child);
                if (!variants) {
                    return variants;
                }
                if (product.size() * variants->size() > kMaxExpressions) {
                    return std::string("too many alternatives");
                }
                Variants next;
                for (const std::string& prefix : product) {
                    for (const std::string& variant : *variants) {
                        if (prefix.size() + variant.size() > kMaxLength) {
                            return std::string("an expression too long to write out");
                        }
                        next.push_back(prefix + variant);
                    }
                }
                product = std::move(next);
            }
            return product;
        }
        case Node::Kind::Repeat: return repeat(node);
        }
        return std::string("an unknown construct");
    }

private:
    Expected<Variants, std::string> repeat(const Node& node) {
        auto variants = expand(node.children.front());
        if (!variants) {
            return variants;
        }
        if (node.min == 1 && node.max == 1) {
            return variants;
        }
        if (variants->size() > 1) {
            if (node.min == 0 && node.max == 1) {
                Variants optional = std::move(variants).value();
                if (std::find(optional.begin(), optional.end(), std::string()) == optional.end()) {
                    optional.emplace_back();
                }
                return optional;
            }
            return std::string("alternatives inside a repetition");
        }
        const std::string& inner = variants->front();
        if (inner.find(kStart) != std::string::npos || inner.find(kEnd) != std::string::npos) {
            return std::string("\"^\" or \"$\" inside a repetition");
        }
        if (inner.empty()) {
            return Variants{std::string()};
        }
        const std::string unit = isSingleAtom(inner) ? inner : "(" + inner + ")";
        std::string text;
        if (node.max == kUnbounded) {
            // "x{3,}" is "xxx+": the last required copy repeats.
            for (int i = 1; i < node.min; ++i) {
                text += unit;
            }
            text += unit + (node.min == 0 ? "*" : "+");
        } else {
            for (int i = 0; i < node.min; ++i) {
                text += unit;
            }
            for (int i = node.min; i < node.max; ++i) {
                text += unit + "?";
            }
        }
        if (text.size() > kMaxLength) {
            return std::string("an expression too long to write out");
        }
        return Variants{text};
    }
};

// The stand-ins become "^" and "$" where WebKit takes them, into `text`; anywhere else the
// expression fails.
std::optional<std::string> anchored(const std::string& variant, std::string& text) {
    std::size_t begin = 0;
    std::size_t end = variant.size();
    bool start = false;
    bool finish = false;
    while (begin < end && variant[begin] == kStart) {
        start = true;
        ++begin;
    }
    while (end > begin && variant[end - 1] == kEnd) {
        finish = true;
        --end;
    }
    const std::string_view body(variant.data() + begin, end - begin);
    if (body.find(kStart) != std::string_view::npos || body.find(kEnd) != std::string_view::npos) {
        return "\"^\" or \"$\" inside the expression";
    }
    if (start) {
        text += '^';
    }
    text += body.empty() && !start && !finish ? ".*" : std::string(body);
    if (finish) {
        text += '$';
    }
    return std::nullopt;
}

} // namespace

Expected<std::vector<std::string>, std::string> webkitExpressions(std::string_view source) {
    auto tree = Parser(source).parse();
    if (!tree) {
        return tree.error();
    }
    auto variants = Expander().expand(*tree);
    if (!variants) {
        return variants.error();
    }
    std::vector<std::string> expressions;
    for (const std::string& variant : *variants) {
        std::string expression;
        if (auto fault = anchored(variant, expression)) {
            return *fault;
        }
        if (auto problem = urlPatternProblem(expression)) {
            return problemPhrase(*problem);
        }
        if (std::find(expressions.begin(), expressions.end(), expression) == expressions.end()) {
            expressions.push_back(std::move(expression));
        }
    }
    return expressions;
}

} // namespace orvane::filterlists
