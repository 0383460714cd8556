#pragma once

#include "cloud/CloudError.h"

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace orvane {

// A report as the cloud keeps it: the record's name and its text values in the order they were
// posted. Whatever a client posted is shown as it is, never trusted to be well formed.
struct PostedReport {
    std::string recordName;
    std::vector<std::pair<std::string, std::string>> values;
};

// The reports posted to a cloud (named as ORVANE_CLOUD names it), oldest first; for whoever
// runs it (see publishedRecords).
std::variant<std::vector<PostedReport>, CloudError> postedReports(const std::string& cloud);

} // namespace orvane
