#pragma once

#include "Command.h"

namespace orvane::cli {

// orvanectl report TYPE URL [--comment TEXT]
int runReport(Arguments arguments);
// orvanectl cloud reports [CLOUD] [--json]
int runCloudReports(Arguments arguments);

inline constexpr Command kReportCommand{
    "report",
    "report TYPE URL [--comment TEXT]   (TYPE: brokenSite, somethingNotBlocked, emptySpace or otherProblem)",
    runReport};

} // namespace orvane::cli
