#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace orvane {

// What is wrong on the site. The raw values are the text a report record stores.
enum class ReportType { brokenSite, somethingNotBlocked, emptySpace, otherProblem };

inline constexpr std::array kReportTypes{ReportType::brokenSite, ReportType::somethingNotBlocked,
                                         ReportType::emptySpace, ReportType::otherProblem};

std::string_view rawValue(ReportType type);
std::optional<ReportType> reportTypeFromRawValue(std::string_view raw);

} // namespace orvane
