#pragma once

#include "filterlists/Sites.h"
#include "platform/Expected.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvane::filterlists {

// An element-hiding filter: "##.ad" hides on every site, "a.com,~b.a.com##.ad" on some,
// "a.com#@#.ad" is an exception for the selector on those sites.
struct HidingFilter {
    bool exception = false;
    Sites sites;
    std::string selector;
};

// Whether the line is a filter about page content ("##", "#@#", "#?#", "#$#", "#%#" and their
// exceptions) rather than about loads. Looked for only after a list of site names, since "#"
// also occurs in URL patterns.
bool isContentFilter(std::string_view filter);

// The hiding filter, or why it cannot be expressed: a scriptlet ("##+js(...)"), an HTML filter
// ("##^..."), an extended selector ("#?#", ":has-text(...)"), CSS or script injection ("#$#",
// "#%#"), a site name WebKit cannot compare, or a selector WebKit would drop.
Expected<HidingFilter, std::string> parseHidingFilter(std::string_view filter);

} // namespace orvane::filterlists
