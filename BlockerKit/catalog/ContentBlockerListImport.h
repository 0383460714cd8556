#pragma once

#include "model/Records.h"
#include "platform/JsonText.h"

#include <string>
#include <vector>

namespace orvane {

// Plain content-blocker lists, the form every WebKit content blocker publishes: a JSON array of
// entries, each an object with "trigger" and "action". An import takes one as a custom package.

// Whether a parsed import file is such a list rather than a package file: an array holding an
// object with "trigger" or "action" and none with "rules".
bool isContentBlockerList(const JsonValue& document);

// A short readable name for an entry's rule, from what it acts on: its selector, else its url
// filter, else its domains.
std::string ruleNameForEntry(const Blocker& blocker);

// What a list's readable entries import as, for mergeImportedPackages: one new custom package
// named `name` (the file's name without its extension), one rule per entry in list order, each
// with a fresh id and a name from ruleNameForEntry. When a custom package of that name exists
// already, it is that package with the entries it does not hold yet appended, so importing the
// same list again adds nothing. No package when the list has no readable entry.
std::vector<Package> packagesForContentBlockerList(const std::string& name, const std::vector<Blocker>& entries,
                                                   const std::vector<Package>& custom);

} // namespace orvane
