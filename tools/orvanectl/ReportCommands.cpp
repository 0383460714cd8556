// orvanectl report: posts a problem report as the application's form does. orvanectl cloud
// reports: what the reports a cloud holds say, for whoever runs it.

#include "ReportCommands.h"

#include "CloudCommand.h"
#include "JsonOutput.h"

#include "app/ProblemReports.h"
#include "platform/Locations.h"
#include "platform/MainQueue.h"

#include <chrono>
#include <iostream>
#include <optional>

namespace orvane::cli {
namespace {

const Command kCloud{"cloud", kCloudUsage, runCloud};

// The store's requests end on their own; this only bounds a server that never answers.
constexpr std::chrono::minutes kPostTimeout(5);

// Continuation lines of a value line up under its first line.
void printValue(const std::string& key, const std::string& value, const std::string& indent) {
    std::cout << indent << key << ": ";
    for (char c : value) {
        std::cout << c;
        if (c == '\n') {
            std::cout << indent << "  ";
        }
    }
    std::cout << "\n";
}

} // namespace

int runReport(Arguments arguments) {
    std::vector<std::string> positional;
    std::string comment;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--comment") {
            if (i + 1 == arguments.size()) {
                return usageError(kReportCommand, "--comment needs a text");
            }
            comment = arguments[++i];
        } else {
            positional.push_back(arguments[i]);
        }
    }
    if (positional.size() != 2) {
        return usageError(kReportCommand, "report takes a type and the page's address");
    }
    const auto type = reportTypeFromRawValue(positional[0]);
    if (!type) {
        return usageError(kReportCommand, "unknown report type '" + positional[0] + "'");
    }
    auto report = prepareReport(*type, positional[1], comment, reportingMachine());
    if (!report) {
        std::cerr << "orvanectl: " << report.error().message << "\n";
        return kExitFailure;
    }
    std::optional<bool> saved;
    std::optional<CloudError> failure;
    postReport(*report, [&](bool answer, const std::optional<CloudError>& error) {
        saved = answer;
        failure = error;
    });
    if (!runMainLoopUntil([&] { return saved.has_value(); }, kPostTimeout)) {
        std::cerr << "orvanectl: the cloud did not answer; the report was not sent\n";
        return kExitFailure;
    }
    if (!*saved) {
        std::cerr << "orvanectl: the report was not sent: "
                  << (failure ? failure->localizedDescription : std::string("unknown error")) << "\n";
        return kExitFailure;
    }
    const CloudRecord sent = reportRecord(*report);
    for (const auto& [key, value] : sent.fields()) {
        printValue(key, std::get<std::string>(value), "");
    }
    std::cout << "Report sent.\n";
    return kExitOk;
}

int runCloudReports(Arguments arguments) {
    bool json = false;
    std::optional<std::string> cloud;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else if (!cloud && !argument.starts_with("-")) {
            cloud = argument;
        } else {
            return usageError(kCloud, "cloud reports takes a cloud and --json");
        }
    }
    auto answer = postedReports(cloud.value_or(cloudSetting()));
    if (const auto* error = std::get_if<CloudError>(&answer)) {
        std::cerr << "orvanectl: error " << error->code << ": " << error->localizedDescription << "\n";
        return kExitFailure;
    }
    const auto& reports = std::get<std::vector<PostedReport>>(answer);
    if (json) {
        JsonDocument document;
        auto& allocator = document.GetAllocator();
        JsonValue list(rapidjson::kArrayType);
        for (const PostedReport& report : reports) {
            JsonValue object(rapidjson::kObjectType);
            object.AddMember("recordName", jsonText(report.recordName, allocator), allocator);
            for (const auto& [key, value] : report.values) {
                if (key != "recordName" && !object.HasMember(key)) {
                    object.AddMember(jsonText(key, allocator), jsonText(value, allocator), allocator);
                }
            }
            list.PushBack(object, allocator);
        }
        printJson(list);
        return kExitOk;
    }
    if (reports.empty()) {
        std::cout << "No reports.\n";
    }
    for (std::size_t i = 0; i < reports.size(); ++i) {
        std::cout << (i > 0 ? "\n" : "") << reports[i].recordName << "\n";
        for (const auto& [key, value] : reports[i].values) {
            printValue(key, value, "  ");
        }
    }
    return kExitOk;
}

} // namespace orvane::cli
