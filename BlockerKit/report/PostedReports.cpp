#include "report/PostedReports.h"

#include "cloud/PublishedRecords.h"
#include "report/Report.h"

namespace orvane {

std::variant<std::vector<PostedReport>, CloudError> postedReports(const std::string& cloud) {
    auto records = publishedRecords(cloud, kReportContainerIdentifier);
    if (const auto* error = std::get_if<CloudError>(&records)) {
        return *error;
    }
    std::vector<PostedReport> reports;
    for (const CloudRecord& record : std::get<std::vector<CloudRecord>>(records)) {
        if (record.recordType() != kReportRecordType) {
            continue;
        }
        PostedReport report{record.recordID().recordName, {}};
        for (const auto& [key, value] : record.fields()) {
            // Reports hold text only; a value of another kind was not posted by Orvane.
            if (const auto* text = std::get_if<std::string>(&value)) {
                report.values.emplace_back(key, *text);
            }
        }
        reports.push_back(std::move(report));
    }
    return reports;
}

} // namespace orvane
