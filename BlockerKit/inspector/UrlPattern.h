#pragma once

#include <re2/re2.h>

#include <memory>
#include <string_view>

namespace orvane {

// Every URL pattern is compiled with these options, whether alone or inside a set, so that the
// two agree on which patterns compile and on what they match: case-insensitive whatever the
// rule says, UTF-8, and quiet, because a pattern that does not compile is skipped silently.
re2::RE2::Options urlPatternOptions();

// The compiled pattern, or null when RE2 rejects it.
std::unique_ptr<re2::RE2> compileUrlPattern(std::string_view pattern);

// Whether the pattern matches anywhere in the text (no anchoring beyond the pattern's own).
bool searchUrl(const re2::RE2& pattern, std::string_view text);

} // namespace orvane
