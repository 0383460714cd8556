#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::filterlists {

// WebKit's content blocker reads a url-filter in a subset of regular expressions: ASCII text;
// atoms (characters, escaped punctuation, ".", character classes, groups) with "*", "+" and "?";
// "^" only at the start and "$" only at the end. It refuses alternatives ("|"), counted
// repetition ("{2,3}"), the class escapes "\d", "\w", "\s", word boundaries and lookaround, and
// the whole list with them. This check is stricter where WebKit is lenient in ways no list needs
// (an escaped letter, a "}" alone, lazy quantifiers), so whatever it passes, WebKit compiles.
//
// Empty when WebKit takes the expression; else what it would refuse.
std::optional<std::string> webkitUrlFilterFault(std::string_view expression);

} // namespace orvane::filterlists
