#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::filterlists {

// The id of a rule made from a filter: a name-based UUID (SHA-1, RFC 4122 version 5) of the
// package id, the filter's text and, for the second and later rules of one filter, their number.
// The same filter in the same package gets the same id in every build, so the marks a user put on
// rules (disabled ones) still apply after the list is updated; in the 36-character upper-case
// form of every other rule id.
std::string stableRuleId(std::string_view packageId, std::string_view filter, std::size_t part = 0);

// The id of a package converted from a list of that name, when no id is given: converting a new
// version of the list gives the package, and so its rules, the same ids as before.
std::string stablePackageId(std::string_view name);

} // namespace orvane::filterlists
