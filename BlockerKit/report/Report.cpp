#include "report/Report.h"

#include "platform/Uuid.h"

namespace orvane {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

} // namespace

std::string description(const Report& report) {
    return "Report(type: " + std::string(rawValue(report.type)) + ", url: " + report.url +
           ", comment: " + (report.comment ? quoted(*report.comment) : "nil") + ", device: " + quoted(report.device) +
           ", appVersion: " + quoted(report.appVersion) + ", osVersion: " + quoted(report.osVersion) + ")";
}

CloudRecord reportRecord(const Report& report) {
    CloudRecord record(kReportRecordType, RecordID{makeUUID(), RecordZoneID{}});
    record.set("type", RecordValue(std::string(rawValue(report.type))));
    record.set("url", RecordValue(report.url));
    if (report.comment) {
        record.set("comment", RecordValue(*report.comment));
    }
    record.set("device", RecordValue(report.device));
    record.set("appVersion", RecordValue(report.appVersion));
    record.set("osVersion", RecordValue(report.osVersion));
    return record;
}

} // namespace orvane
