#pragma once

#include <string_view>

namespace orvane::filterlists {

// Whether the selector uses a pseudo-class of a list engine's own (what Adblock Plus and uBlock
// Origin call extended or procedural selectors), which no browser reads.
bool isExtendedSelector(std::string_view selector);

} // namespace orvane::filterlists
