#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// At most `maxCharacters` characters of UTF-8 text, cut at a character boundary and ended with
// "…" when something was left out. Text read from files can be of any length; names and messages
// made from it must stay readable.
std::string shortened(std::string_view text, std::size_t maxCharacters);

// The text shortened to a few dozen characters, in double quotation marks.
std::string quoted(std::string_view text);

} // namespace orvane
