#pragma once

#include "cloud/CloudRecord.h"
#include "report/ReportType.h"

#include <optional>
#include <string>

namespace orvane {

inline constexpr const char* kReportContainerIdentifier = "iCloud.larkmoor.Blocker.Report";
inline constexpr const char* kReportRecordType = "Report";

// A problem report about one web page, as its makers read it.
struct Report {
    ReportType type = ReportType::brokenSite;
    // The page's absolute address, query included (see absolutePageAddress).
    std::string url;
    std::optional<std::string> comment;
    std::string device;
    std::string appVersion;
    std::string osVersion;

    bool operator==(const Report&) const = default;
};

// One line naming every field, for the log.
std::string description(const Report& report);

// The record a report is saved as, under a new random name: every value a string, and no
// "comment" value when there is no comment.
CloudRecord reportRecord(const Report& report);

} // namespace orvane
