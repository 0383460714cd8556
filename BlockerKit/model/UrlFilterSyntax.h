#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// WebKit's content-blocker compiler takes a small subset of JavaScript's regular expressions in
// "url-filter" and in the page and frame URL conditions, and refuses the whole list for one
// pattern outside it. This reads a pattern as WebKit does (its JavaScript parser in legacy mode,
// then the compiler's own limits), so a rule is refused when it is written rather than when the
// list is compiled.
//
// Allowed: ASCII characters and escapes of them, ".", character sets of ASCII characters and
// ranges (negated or not), groups (capturing, named or "(?:"), the quantifiers "?", "*", "+" and
// their brace forms {0,1}, {0,} and {1,} (a missing or overflowing bound counts as infinite), "^"
// as the very first term and "$" as the very last. Refused: "|", other repetitions, "\d" "\s"
// "\w" and their negations, "\b" "\B", back references, lookaround and modifier groups,
// characters beyond ASCII, and everything JavaScript itself refuses.
struct UrlPatternProblem {
    enum class Kind {
        Unsupported, // valid JavaScript, outside what content blockers take
        Misplaced,   // "^" or "$" anywhere but at the pattern's start or end
        Invalid,     // not a regular expression at all
    };
    Kind kind;
    // Unsupported and Misplaced: the construct as written ("|", "{2}", "\d", "^"). Invalid: what
    // is wrong, as a phrase ("\"[\" is never closed").
    std::string detail;
    std::size_t offset = 0; // where in the pattern it was met

    bool operator==(const UrlPatternProblem&) const = default;
};

// Absent when WebKit takes the pattern. An empty pattern is left to the caller: WebKit refuses
// an empty url-filter and an empty condition pattern, each with a message of its own.
std::optional<UrlPatternProblem> urlPatternProblem(std::string_view pattern);

// The problem as the rest of a sentence about the pattern: "uses "|", which content blockers do
// not support", "is not a valid regular expression: "[" is never closed".
std::string problemPhrase(const UrlPatternProblem& problem);

} // namespace orvane
