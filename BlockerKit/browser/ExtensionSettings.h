#pragma once

#include "browser/BrowserError.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvane::browser {

// The browser's extension settings: which of the application's extensions the user switched
// off. Every extension is on unless switched off. The file lives under $ORVANE_HOME and is read
// anew on every call, so the application, its extension-settings window and orvanectl agree.

struct ExtensionStatus {
    std::string identifier;
    bool enabled = true;

    bool operator==(const ExtensionStatus&) const = default;
};

// The identifiers the browser knows: the content blocker, then the app extension.
const std::vector<std::string>& extensionIdentifiers();

// $ORVANE_HOME/Browser/ExtensionSettings.json
std::filesystem::path extensionSettingsFile();

// Absent, with `error` set when given, for an unknown identifier or an unreadable file.
std::optional<bool> isExtensionEnabled(const std::string& identifier, BrowserError* error = nullptr);
// Every known extension in the order of extensionIdentifiers(); absent when the file is unreadable.
std::optional<std::vector<ExtensionStatus>> extensionStatuses(BrowserError* error = nullptr);

// Switches an extension on or off and writes the file atomically. Refuses an unknown identifier
// and leaves an unreadable file as it is rather than overwrite what it cannot read.
bool setExtensionEnabled(const std::string& identifier, bool enabled, BrowserError* error = nullptr);

} // namespace orvane::browser
