#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// What the inspector loads for the text of its address field: the text itself when it already
// names the web scheme ("http://" or "https://", as typed), else the text behind "https://".
// Absent when the result is not an absolute URL with a host, or holds a character (a space, say)
// that an address cannot.
std::optional<std::string> addressToInspect(std::string_view typed);

// The host of an absolute URL, in lower case; absent when the URL has none.
std::optional<std::string> hostOfURL(std::string_view url);

// The URL with every "https://" in it made "http://": the retry after a certificate failure.
std::string overHttp(std::string_view url);

} // namespace orvane
