#include "report/ReportType.h"

namespace orvane {

std::string_view rawValue(ReportType type) {
    switch (type) {
    case ReportType::brokenSite:
        return "brokenSite";
    case ReportType::somethingNotBlocked:
        return "somethingNotBlocked";
    case ReportType::emptySpace:
        return "emptySpace";
    case ReportType::otherProblem:
        return "otherProblem";
    }
    return "otherProblem";
}

std::optional<ReportType> reportTypeFromRawValue(std::string_view raw) {
    for (ReportType type : kReportTypes) {
        if (rawValue(type) == raw) {
            return type;
        }
    }
    return std::nullopt;
}

} // namespace orvane
