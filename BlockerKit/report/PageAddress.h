#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The absolute text of the web page address a user typed, as a report stores it: surrounding
// blank space dropped, "https://" put in front of an address without a scheme, characters that
// an address cannot hold escaped, and the query and fragment kept. Absent unless it is an
// http or https address with a host.
std::optional<std::string> absolutePageAddress(std::string_view typed);

} // namespace orvane
