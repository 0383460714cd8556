#pragma once

#include "model/Records.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The URL filters of the blocking rules of the named packages, package after package, each in
// rule order. A name is looked up by exact id and the first package with it counts; a name that
// no package has contributes nothing. Rules of any other action type are left out, whatever
// their URL filter, and so are blocking rules whose URL filter alone says nothing about a load:
// rules for some sites only, and rules for every address that only conditions narrow (a
// resource type, first or third party).
std::vector<std::string> blockingPatterns(const std::vector<Package>& packages,
                                          std::initializer_list<std::string_view> packageIds);

} // namespace orvane
