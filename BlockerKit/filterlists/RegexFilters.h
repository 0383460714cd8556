#pragma once

#include "platform/Expected.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvane::filterlists {

// A filter written as a regular expression ("/banner[0-9]+\.gif/") is JavaScript's syntax; WebKit
// reads a subset (see model/UrlFilterSyntax.h). Rewritten where the meaning stays exactly the same:
// "\d" and "\w" become classes, "(?:" a group, counted repetition is written out, an unrepeated
// group is inlined, and alternatives become several expressions, one per way through, so that a
// URL matches one of them exactly when it matches the original. Anything else (lookaround, back
// references, word boundaries, an alternative inside a repetition, "^" or "$" inside a
// repetition, expansions beyond a few dozen expressions) is refused with the reason.
Expected<std::vector<std::string>, std::string> webkitExpressions(std::string_view source);

} // namespace orvane::filterlists
