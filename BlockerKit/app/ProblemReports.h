#pragma once

#include "app/ServiceError.h"
#include "report/PostedReports.h"
#include "report/Reporter.h"

#include <string>

namespace orvane {

// This machine as its reports describe it: the computer, Orvane's version and build, and the
// operating system.
struct ReportingMachine {
    std::string device;
    std::string appVersion;
    std::string osVersion;
};
ReportingMachine reportingMachine();

// A report as the user fills it in: the page's address made absolute, the comment without the
// blank space around it, and no comment when it is blank. Refused: an address that is not an
// http or https address (InvalidAddress), a comment that is not UTF-8 text (InvalidText).
ServiceResult<Report> prepareReport(ReportType type, const std::string& address, const std::string& comment,
                                    const ReportingMachine& machine);

// Posts the report to the configured cloud once; the completion runs on the main thread.
void postReport(const Report& report, ReportCompletion completion);

} // namespace orvane
