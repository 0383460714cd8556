// The browser stand-in's extension settings: which of the application's extensions are on.

#include "ExtensionCommand.h"

#include "JsonOutput.h"

#include "browser/ContentBlockerManager.h"
#include "browser/ExtensionSettings.h"

#include <algorithm>
#include <iostream>
#include <vector>

namespace orvane::cli {
namespace {

int failure(const browser::BrowserError& error) {
    std::cerr << error.message << "\n";
    return kExitFailure;
}

int status(std::vector<std::string> arguments) {
    auto json = std::find(arguments.begin(), arguments.end(), "--json");
    const bool asJson = json != arguments.end();
    if (asJson) {
        arguments.erase(json);
    }
    if (arguments.size() > 1) {
        return usageError(kExtensionCommand, "unexpected argument '" + arguments[1] + "'");
    }
    browser::BrowserError error;
    auto statuses = browser::extensionStatuses(&error);
    if (!statuses) {
        return failure(error);
    }
    if (!arguments.empty()) {
        auto it = std::find_if(statuses->begin(), statuses->end(),
                               [&](const browser::ExtensionStatus& s) { return s.identifier == arguments.front(); });
        if (it == statuses->end()) {
            std::cerr << "Unknown extension '" << arguments.front() << "'\n";
            return kExitFailure;
        }
        statuses = std::vector<browser::ExtensionStatus>{*it};
    }
    JsonDocument document;
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    for (const auto& entry : *statuses) {
        if (asJson) {
            JsonValue object(rapidjson::kObjectType);
            object.AddMember("identifier", jsonText(entry.identifier, allocator), allocator);
            object.AddMember("enabled", entry.enabled, allocator);
            list.PushBack(object, allocator);
        } else {
            std::cout << entry.identifier << "\t" << (entry.enabled ? "enabled" : "disabled") << "\n";
        }
    }
    if (asJson) {
        printJson(list);
    }
    return kExitOk;
}

} // namespace

int runExtension(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kExtensionCommand, "expected status, enable or disable");
    }
    const std::string& action = arguments.front();
    if (action == "status") {
        return status(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    }
    if ((action != "enable" && action != "disable") || arguments.size() > 2) {
        return usageError(kExtensionCommand, "expected status, enable or disable and at most one IDENTIFIER");
    }
    const std::string identifier = arguments.size() == 2 ? arguments[1] : browser::kContentBlockerIdentifier;
    browser::BrowserError error;
    if (!browser::setExtensionEnabled(identifier, action == "enable", &error)) {
        return failure(error);
    }
    return kExitOk;
}

} // namespace orvane::cli
