#include "app/ProblemReports.h"

#include "app/BuildInfo.h"
#include "report/MachineDetails.h"
#include "report/PageAddress.h"

#include <glib.h>

namespace orvane {
namespace {

constexpr const char* kBlank = " \t\r\n";

} // namespace

ReportingMachine reportingMachine() {
    return {deviceName(), applicationVersion() + " (" + buildNumber() + ")", operatingSystemVersion()};
}

ServiceResult<Report> prepareReport(ReportType type, const std::string& address, const std::string& comment,
                                    const ReportingMachine& machine) {
    auto url = absolutePageAddress(address);
    if (!url) {
        return ServiceError{ServiceErrorCode::InvalidAddress,
                            "Enter the page's web address, for example https://example.com/page."};
    }
    if (!g_utf8_validate(comment.data(), static_cast<gssize>(comment.size()), nullptr)) {
        return ServiceError{ServiceErrorCode::InvalidText, "The comment is not valid UTF-8 text."};
    }
    std::optional<std::string> text;
    if (const auto first = comment.find_first_not_of(kBlank); first != std::string::npos) {
        text = comment.substr(first, comment.find_last_not_of(kBlank) - first + 1);
    }
    return Report{type, *url, std::move(text), machine.device, machine.appVersion, machine.osVersion};
}

void postReport(const Report& report, ReportCompletion completion) { Reporter::post(report, std::move(completion)); }

} // namespace orvane
