#include "model/UrlFilterSyntax.h"

#include <bitset>
#include <climits>
#include <set>
#include <vector>

namespace orvane {
namespace {

// JavaScriptCore's parser refuses longer patterns outright.
constexpr std::size_t kMaxPatternSize = 1024 * 1024;
// A bound that is missing or does not fit 32 bits reads as this, which means "no upper bound".
constexpr unsigned kInfinite = UINT_MAX;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isIdentifierStart(unsigned c) { return c < 0x80 && (isLetter(static_cast<char>(c)) || c == '$' || c == '_'); }
bool isIdentifierPart(unsigned c) { return isIdentifierStart(c) || (c < 0x80 && isDigit(static_cast<char>(c))); }
bool isModifierFlag(char c) { return c == 'i' || c == 'm' || c == 's' || c == '-'; }

unsigned hexValue(char c) {
    if (isDigit(c)) {
        return static_cast<unsigned>(c - '0');
    }
    return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

// The length of the UTF-8 sequence that starts with `lead`.
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    return lead >= 0xC0 ? 2 : 1;
}

// Reads the pattern in two layers at once, as WebKit does: the JavaScript parser (legacy mode, no
// back references allowed), which refuses what is not a regular expression, and the content
// blocker's reader of its events, which refuses what it cannot turn into its automaton. The first
// refusal in pattern order is the answer.
class PatternReader {
public:
    explicit PatternReader(std::string_view pattern) : pattern_(pattern) {}

    std::optional<UrlPatternProblem> read();

private:
    enum class ClassState { Empty, Cached, CachedHyphen };

    struct OpenGroup {
        std::size_t offset;
    };

    bool atEnd() const { return at_ >= pattern_.size(); }
    char peek() const { return pattern_[at_]; }
    bool tryConsume(char c);
    std::string since(std::size_t start) const { return std::string(pattern_.substr(start, at_ - start)); }
    unsigned consumeNumber();
    unsigned consumeOctal();
    int tryConsumeHex(int digits);
    std::optional<std::string> tryConsumeGroupName();
    std::optional<unsigned> tryConsumeNameCharacter();

    void unsupported(std::string construct, std::size_t offset);
    void misplaced(char assertion, std::size_t offset);
    void invalid(std::string what, std::size_t offset);

    // The JavaScript layer.
    void parenthesesBegin();
    void parenthesesEnd();
    bool braceQuantifier(bool afterAtom, std::size_t start);
    void quantifier(bool afterAtom, unsigned min, unsigned max, std::size_t start);
    bool atomEscape();
    void characterClass();
    void classEscape();
    void classCharacter(unsigned character, std::size_t offset, bool hyphenIsRange);
    void flushCached();

    // The content-blocker layer: terms float until the next term sinks them into the pattern or
    // the open group, and "$" may only be sunk last.
    void character(unsigned character, std::size_t start);
    void term(std::size_t offset);
    void sink();
    void classAtom(unsigned character, std::size_t offset, std::size_t end);

    std::string_view pattern_;
    std::size_t at_ = 0;
    std::optional<UrlPatternProblem> problem_;

    std::vector<OpenGroup> groups_;
    std::set<std::string> groupNames_;
    std::optional<std::size_t> identityK_; // where a "\k" that is no reference was met

    bool floating_ = false;
    bool floatingIsEnd_ = false;
    std::size_t floatingOffset_ = 0;
    bool sunkAny_ = false;
    bool endSunk_ = false;
    std::size_t endOffset_ = 0;

    ClassState classState_ = ClassState::Empty;
    unsigned cached_ = 0;
    std::size_t cachedOffset_ = 0;
    std::size_t cachedEnd_ = 0;
    std::bitset<128> members_; // of the set being read
};

bool PatternReader::tryConsume(char c) {
    if (!atEnd() && peek() == c) {
        ++at_;
        return true;
    }
    return false;
}

unsigned PatternReader::consumeNumber() {
    unsigned long long value = 0;
    bool overflow = false;
    while (!atEnd() && isDigit(peek())) {
        value = value * 10 + static_cast<unsigned>(pattern_[at_++] - '0');
        overflow = overflow || value > UINT_MAX;
        if (overflow) {
            value = 0;
        }
    }
    return overflow ? kInfinite : static_cast<unsigned>(value);
}

// A legacy octal escape: three digits at most when the first is 0 to 3, else two.
unsigned PatternReader::consumeOctal() {
    unsigned value = static_cast<unsigned>(pattern_[at_++] - '0');
    for (int more = value <= 3 ? 2 : 1; more > 0 && !atEnd() && isOctalDigit(peek()); --more) {
        value = value * 8 + static_cast<unsigned>(pattern_[at_++] - '0');
    }
    return value;
}

int PatternReader::tryConsumeHex(int digits) {
    const std::size_t start = at_;
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        if (atEnd() || !isHexDigit(peek())) {
            at_ = start;
            return -1;
        }
        value = value * 16 + static_cast<int>(hexValue(pattern_[at_++]));
    }
    return value;
}

// One character of a group name: itself, or the code point of a "\uXXXX" escape. Any other
// backslash in a name is an error of the pattern, in legacy mode too.
std::optional<unsigned> PatternReader::tryConsumeNameCharacter() {
    if (atEnd()) {
        return std::nullopt;
    }
    const std::size_t start = at_;
    const char c = pattern_[at_++];
    if (c != '\\') {
        return static_cast<unsigned char>(c);
    }
    if (tryConsume('u')) {
        if (const int value = tryConsumeHex(4); value >= 0) {
            return static_cast<unsigned>(value);
        }
    }
    invalid("\"\\\" in a group name is not followed by \"u\" and four hex digits", start);
    return std::nullopt;
}

// A name followed by ">", the ">" consumed; nothing consumed when there is none, unless a broken
// escape made the pattern invalid. Names beyond ASCII are not taken: patterns are ASCII, and an
// escaped letter beyond it is too rare to carry the tables of every script's identifier letters.
std::optional<std::string> PatternReader::tryConsumeGroupName() {
    const std::size_t start = at_;
    auto first = tryConsumeNameCharacter();
    if (first && isIdentifierStart(*first)) {
        std::string name(1, static_cast<char>(*first));
        while (!atEnd()) {
            auto next = tryConsumeNameCharacter();
            if (next && *next == '>') {
                return name;
            }
            if (!next || !isIdentifierPart(*next)) {
                break;
            }
            name += static_cast<char>(*next);
        }
    }
    if (!problem_) {
        at_ = start;
    }
    return std::nullopt;
}

void PatternReader::unsupported(std::string construct, std::size_t offset) {
    if (!problem_) {
        problem_ = UrlPatternProblem{UrlPatternProblem::Kind::Unsupported, std::move(construct), offset};
    }
}

void PatternReader::misplaced(char assertion, std::size_t offset) {
    if (!problem_) {
        problem_ = UrlPatternProblem{UrlPatternProblem::Kind::Misplaced, std::string(1, assertion), offset};
    }
}

void PatternReader::invalid(std::string what, std::size_t offset) {
    if (!problem_) {
        problem_ = UrlPatternProblem{UrlPatternProblem::Kind::Invalid, std::move(what), offset};
    }
}

std::optional<UrlPatternProblem> PatternReader::read() {
    for (std::size_t i = 0; i < pattern_.size(); ++i) {
        const auto byte = static_cast<unsigned char>(pattern_[i]);
        if (byte >= 0x80) {
            unsupported(std::string(pattern_.substr(i, sequenceLength(byte))), i);
            return problem_;
        }
    }
    if (pattern_.size() > kMaxPatternSize) {
        invalid("it is longer than 1,048,576 characters", kMaxPatternSize);
        return problem_;
    }
    bool afterAtom = false;
    while (!atEnd() && !problem_) {
        const std::size_t start = at_;
        switch (peek()) {
        case '|':
            ++at_;
            unsupported("|", start);
            break;
        case '(':
            parenthesesBegin();
            afterAtom = false;
            break;
        case ')':
            parenthesesEnd();
            afterAtom = true;
            break;
        case '^':
            ++at_;
            // Only as the very first term: nothing floating, nothing sunk, no group open.
            if (floating_ || sunkAny_ || !groups_.empty()) {
                misplaced('^', start);
            }
            afterAtom = false;
            break;
        case '$':
            ++at_;
            term(start);
            floatingIsEnd_ = true;
            afterAtom = false;
            break;
        case '.':
            ++at_;
            term(start);
            afterAtom = true;
            break;
        case '[':
            characterClass();
            afterAtom = true;
            break;
        case '\\': afterAtom = atomEscape(); break;
        case '*':
            ++at_;
            quantifier(afterAtom, 0, kInfinite, start);
            afterAtom = false;
            break;
        case '+':
            ++at_;
            quantifier(afterAtom, 1, kInfinite, start);
            afterAtom = false;
            break;
        case '?':
            ++at_;
            quantifier(afterAtom, 0, 1, start);
            afterAtom = false;
            break;
        case '{':
            if (braceQuantifier(afterAtom, start)) {
                afterAtom = false;
                break;
            }
            // Not a whole quantifier: a plain "{".
            [[fallthrough]];
        default:
            ++at_;
            character(static_cast<unsigned char>(pattern_[start]), start);
            afterAtom = true;
        }
    }
    if (problem_) {
        return problem_;
    }
    if (!groups_.empty()) {
        invalid("\"(\" is never closed", groups_.back().offset);
        return problem_;
    }
    // Once a pattern names a group, "\k" must refer to one.
    if (identityK_ && !groupNames_.empty()) {
        invalid("\"\\k\" refers to no group", *identityK_);
        return problem_;
    }
    sink();
    return problem_;
}

void PatternReader::parenthesesBegin() {
    const std::size_t start = at_;
    ++at_;
    if (tryConsume('?')) {
        if (atEnd()) {
            invalid("\"(?\" is not a valid group", start);
            return;
        }
        const char kind = pattern_[at_++];
        if (kind == '=' || kind == '!') {
            unsupported(since(start), start);
            return;
        }
        if (kind == '<') {
            if (auto name = tryConsumeGroupName()) {
                if (!groupNames_.insert(*name).second) {
                    invalid("the group name \"" + *name + "\" is used twice", start);
                    return;
                }
            } else if (problem_) {
                return;
            } else if (tryConsume('=') || tryConsume('!')) {
                unsupported(since(start), start);
                return;
            } else {
                invalid("\"" + since(start) + "\" is not a valid group", start);
                return;
            }
        } else if (kind != ':') {
            if (isModifierFlag(kind)) {
                unsupported(since(start), start);
            } else {
                invalid("\"" + since(start) + "\" is not a valid group", start);
            }
            return;
        }
    }
    sink();
    groups_.push_back(OpenGroup{start});
}

void PatternReader::parenthesesEnd() {
    const std::size_t start = at_;
    ++at_;
    if (groups_.empty()) {
        invalid("\")\" closes no group", start);
        return;
    }
    sink(); // into the group being closed
    groups_.pop_back();
    floating_ = true;
    floatingIsEnd_ = false;
    floatingOffset_ = start;
}

// "{n}", "{n,}" or "{n,m}" after "{"; false, with nothing consumed, when the braces hold none.
bool PatternReader::braceQuantifier(bool afterAtom, std::size_t start) {
    ++at_;
    if (!atEnd() && isDigit(peek())) {
        const unsigned min = consumeNumber();
        unsigned max = min;
        if (tryConsume(',')) {
            max = !atEnd() && isDigit(peek()) ? consumeNumber() : kInfinite;
        }
        if (tryConsume('}')) {
            if (min > max) {
                invalid("\"" + since(start) + "\" counts down", start);
            } else {
                quantifier(afterAtom, min, max, start);
            }
            return true;
        }
    }
    at_ = start;
    return false;
}

void PatternReader::quantifier(bool afterAtom, unsigned min, unsigned max, std::size_t start) {
    if (!afterAtom) {
        invalid("\"" + since(start) + "\" repeats nothing", start);
        return;
    }
    const std::size_t end = at_;
    tryConsume('?'); // lazy or greedy, the automaton matches the same
    const bool supported = (min == 0 && max == 1) || (min == 0 && max == kInfinite) || (min == 1 && max == kInfinite);
    if (!supported) {
        unsupported(std::string(pattern_.substr(start, end - start)), start);
    }
}

// An escape outside a character set; answers whether it was an atom (which may be repeated).
bool PatternReader::atomEscape() {
    const std::size_t start = at_;
    ++at_;
    if (atEnd()) {
        invalid("it ends in \"\\\"", start);
        return false;
    }
    const char c = pattern_[at_++];
    switch (c) {
    case 'b':
    case 'B': unsupported(since(start), start); return false;
    case 'd':
    case 's':
    case 'w':
    case 'D':
    case 'S':
    case 'W': unsupported(since(start), start); return true;
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        // No back references are allowed, so this is octal, or for 8 and 9 the digit itself.
        --at_;
        if (peek() >= '8') {
            character(static_cast<unsigned char>(pattern_[at_++]), start);
        } else {
            character(consumeOctal(), start);
        }
        return true;
    case '0':
        --at_;
        character(consumeOctal(), start);
        return true;
    case 'f': character('\f', start); return true;
    case 'n': character('\n', start); return true;
    case 'r': character('\r', start); return true;
    case 't': character('\t', start); return true;
    case 'v': character('\v', start); return true;
    case 'c':
        if (!atEnd() && isLetter(peek())) {
            character(static_cast<unsigned>(pattern_[at_++]) & 0x1F, start);
        } else {
            // A backslash of its own; the "c" is read next as itself.
            --at_;
            character('\\', start);
        }
        return true;
    case 'x': {
        const int value = tryConsumeHex(2);
        character(value < 0 ? 'x' : static_cast<unsigned>(value), start);
        return true;
    }
    case 'u': {
        const int value = tryConsumeHex(4);
        character(value < 0 ? 'u' : static_cast<unsigned>(value), start);
        return true;
    }
    case 'k': {
        const std::size_t afterK = at_;
        if (tryConsume('<')) {
            auto name = tryConsumeGroupName();
            if (problem_) {
                return true;
            }
            if (name && groupNames_.contains(*name)) {
                unsupported(since(start), start);
                return true;
            }
        }
        at_ = afterK;
        if (!identityK_) {
            identityK_ = start;
        }
        character('k', start);
        return true;
    }
    default: character(static_cast<unsigned char>(c), start); return true;
    }
}

void PatternReader::characterClass() {
    const std::size_t start = at_;
    ++at_;
    term(start);
    tryConsume('^');
    classState_ = ClassState::Empty;
    members_.reset();
    while (!atEnd() && !problem_) {
        const std::size_t offset = at_;
        const char c = peek();
        if (c == ']') {
            ++at_;
            if (classState_ != ClassState::Empty) {
                flushCached();
            }
            // WebKit marks the end of the URL with the character 0: a set of that one character
            // (negated or not) is read as "$".
            floatingIsEnd_ = members_.count() == 1 && members_.test(0);
            return;
        }
        if (c == '\\') {
            classEscape();
        } else {
            ++at_;
            classCharacter(static_cast<unsigned char>(c), offset, true);
        }
    }
    if (!problem_) {
        invalid("\"[\" is never closed", start);
    }
}

void PatternReader::classEscape() {
    const std::size_t start = at_;
    ++at_;
    if (atEnd()) {
        invalid("it ends in \"\\\"", start);
        return;
    }
    const char c = pattern_[at_++];
    switch (c) {
    case 'b': classCharacter('\b', start, false); return;
    case 'd':
    case 's':
    case 'w':
    case 'D':
    case 'S':
    case 'W':
        // The character waiting before it is handed on first.
        if (classState_ != ClassState::Empty) {
            flushCached();
        }
        unsupported(since(start), start);
        return;
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
        --at_;
        classCharacter(consumeOctal(), start, false);
        return;
    case 'f': classCharacter('\f', start, false); return;
    case 'n': classCharacter('\n', start, false); return;
    case 'r': classCharacter('\r', start, false); return;
    case 't': classCharacter('\t', start, false); return;
    case 'v': classCharacter('\v', start, false); return;
    case 'c':
        // Inside a set, digits and "_" are control letters too.
        if (!atEnd() && (isLetter(peek()) || isDigit(peek()) || peek() == '_')) {
            classCharacter(static_cast<unsigned>(pattern_[at_++]) & 0x1F, start, false);
        } else {
            --at_;
            classCharacter('\\', start, false);
        }
        return;
    case 'x': {
        const int value = tryConsumeHex(2);
        classCharacter(value < 0 ? 'x' : static_cast<unsigned>(value), start, false);
        return;
    }
    case 'u': {
        const int value = tryConsumeHex(4);
        classCharacter(value < 0 ? 'u' : static_cast<unsigned>(value), start, false);
        return;
    }
    case 'k':
        if (!identityK_) {
            identityK_ = start;
        }
        classCharacter('k', start, false);
        return;
    default: classCharacter(static_cast<unsigned char>(c), start, false); return;
    }
}

// Characters of a set wait one step: a "-" after one may make a range of it and the next.
void PatternReader::classCharacter(unsigned character, std::size_t offset, bool hyphenIsRange) {
    switch (classState_) {
    case ClassState::Empty: break;
    case ClassState::Cached:
        if (hyphenIsRange && character == '-') {
            classState_ = ClassState::CachedHyphen;
            return;
        }
        classAtom(cached_, cachedOffset_, cachedEnd_);
        break;
    case ClassState::CachedHyphen:
        if (character < cached_) {
            invalid("the range \"" + std::string(pattern_.substr(cachedOffset_, at_ - cachedOffset_)) +
                        "\" runs backwards",
                    cachedOffset_);
            return;
        }
        if (cached_ >= 0x80 || character >= 0x80) {
            classAtom(cached_, cachedOffset_, cachedEnd_);
            classAtom(character, offset, at_);
        } else {
            for (unsigned member = cached_; member <= character; ++member) {
                members_.set(member);
            }
        }
        classState_ = ClassState::Empty;
        return;
    }
    cached_ = character;
    cachedOffset_ = offset;
    cachedEnd_ = at_;
    classState_ = ClassState::Cached;
}

// The waiting character, and the "-" after it when one waits too, are members of the set.
void PatternReader::flushCached() {
    classAtom(cached_, cachedOffset_, cachedEnd_);
    if (classState_ == ClassState::CachedHyphen) {
        classAtom('-', cachedEnd_, cachedEnd_ + 1);
    }
    classState_ = ClassState::Empty;
}

// Only an escape can name a character beyond ASCII here: the pattern itself is ASCII.
void PatternReader::classAtom(unsigned character, std::size_t offset, std::size_t end) {
    if (character >= 0x80) {
        unsupported(std::string(pattern_.substr(offset, end - offset)), offset);
        return;
    }
    members_.set(character);
}

void PatternReader::character(unsigned character, std::size_t start) {
    if (character >= 0x80) {
        unsupported(since(start), start);
        return;
    }
    term(start);
    // WebKit marks the end of the URL with the character 0, so this one is read as "$".
    floatingIsEnd_ = character == 0;
}

void PatternReader::term(std::size_t offset) {
    sink();
    floating_ = true;
    floatingIsEnd_ = false;
    floatingOffset_ = offset;
}

void PatternReader::sink() {
    if (!floating_ || problem_) {
        return;
    }
    if (endSunk_) {
        misplaced('$', endOffset_);
        return;
    }
    if (floatingIsEnd_) {
        endSunk_ = true;
        endOffset_ = floatingOffset_;
    }
    if (groups_.empty()) {
        sunkAny_ = true;
    }
    floating_ = false;
}

} // namespace

std::optional<UrlPatternProblem> urlPatternProblem(std::string_view pattern) { return PatternReader(pattern).read(); }

std::string problemPhrase(const UrlPatternProblem& problem) {
    switch (problem.kind) {
    case UrlPatternProblem::Kind::Unsupported:
        return "uses \"" + problem.detail + "\", which content blockers do not support";
    case UrlPatternProblem::Kind::Misplaced:
        return "uses \"" + problem.detail + "\" other than at its " + (problem.detail == "^" ? "start" : "end") +
               ", which content blockers do not support";
    case UrlPatternProblem::Kind::Invalid: return "is not a valid regular expression: " + problem.detail;
    }
    return {};
}

} // namespace orvane
