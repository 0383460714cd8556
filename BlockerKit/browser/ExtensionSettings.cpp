#include "browser/ExtensionSettings.h"

#include "browser/BrowserError.h"
#include "browser/ContentBlockerManager.h"
#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/JsonText.h"
#include "platform/Locations.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace orvane::browser {
namespace {

constexpr const char* kDisabledKey = "disabled";

bool fail(BrowserError* error, BrowserError value) {
    if (error != nullptr) {
        *error = std::move(value);
    }
    return false;
}

bool isKnown(const std::string& identifier) {
    const auto& known = extensionIdentifiers();
    return std::find(known.begin(), known.end(), identifier) != known.end();
}

BrowserError unknownExtension(const std::string& identifier) {
    return browserError(BrowserErrorCode::UnknownExtension, "No extension with identifier " + identifier);
}

BrowserError unreadable(const std::filesystem::path& file, const std::string& why) {
    return browserError(BrowserErrorCode::SettingsUnreadable,
                        "The browser's extension settings can't be read: " + file.string() + ": " + why);
}

// The switched-off identifiers. A missing file switches nothing off; a file that exists but is
// not what this code writes is unreadable, so a damaged file is never mistaken for defaults.
std::optional<std::set<std::string>> readDisabled(const std::filesystem::path& file, BrowserError* error) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (ec) {
        fail(error, unreadable(file, ec.message()));
        return std::nullopt;
    }
    if (!exists) {
        return std::set<std::string>{};
    }
    std::string why;
    const auto text = readWholeFile(file, &why);
    if (!text) {
        fail(error, unreadable(file, why));
        return std::nullopt;
    }
    const auto document = parseJson(*text);
    if (!document || !document->IsObject()) {
        fail(error, unreadable(file, "not a JSON object"));
        return std::nullopt;
    }
    std::set<std::string> disabled;
    const auto member = document->FindMember(kDisabledKey);
    if (member == document->MemberEnd()) {
        return disabled;
    }
    if (!member->value.IsArray()) {
        fail(error, unreadable(file, "\"disabled\" is not a list"));
        return std::nullopt;
    }
    for (const auto& identifier : member->value.GetArray()) {
        if (!identifier.IsString()) {
            fail(error, unreadable(file, "\"disabled\" holds something other than identifiers"));
            return std::nullopt;
        }
        disabled.emplace(identifier.GetString(), identifier.GetStringLength());
    }
    return disabled;
}

std::optional<std::string> encode(const std::set<std::string>& disabled) {
    JsonDocument document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    for (const auto& identifier : disabled) {
        list.PushBack(JsonValue(identifier, allocator), allocator);
    }
    document.AddMember(rapidjson::StringRef(kDisabledKey), list, allocator);
    return serializeJson(document);
}

} // namespace

const std::vector<std::string>& extensionIdentifiers() {
    static const std::vector<std::string> identifiers{kContentBlockerIdentifier, kSafariExtensionIdentifier};
    return identifiers;
}

std::filesystem::path extensionSettingsFile() { return orvaneHome() / "Browser" / "ExtensionSettings.json"; }

std::optional<bool> isExtensionEnabled(const std::string& identifier, BrowserError* error) {
    if (!isKnown(identifier)) {
        fail(error, unknownExtension(identifier));
        return std::nullopt;
    }
    const auto disabled = readDisabled(extensionSettingsFile(), error);
    if (!disabled) {
        return std::nullopt;
    }
    return disabled->count(identifier) == 0;
}

std::optional<std::vector<ExtensionStatus>> extensionStatuses(BrowserError* error) {
    const auto disabled = readDisabled(extensionSettingsFile(), error);
    if (!disabled) {
        return std::nullopt;
    }
    std::vector<ExtensionStatus> statuses;
    for (const auto& identifier : extensionIdentifiers()) {
        statuses.push_back({identifier, disabled->count(identifier) == 0});
    }
    return statuses;
}

bool setExtensionEnabled(const std::string& identifier, bool enabled, BrowserError* error) {
    if (!isKnown(identifier)) {
        return fail(error, unknownExtension(identifier));
    }
    const auto file = extensionSettingsFile();
    // The read-modify-write of the settings is serialised between processes and threads.
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const FileLock lock(file.parent_path() / ("." + file.filename().string() + ".lock"), FileLock::Mode::exclusive,
                        true);
    if (lock.status() != FileLock::Status::held) {
        return fail(error, browserError(BrowserErrorCode::SettingsUnwritable,
                                        "The browser's extension settings can't be written: " + lock.error()));
    }
    auto disabled = readDisabled(file, error);
    if (!disabled) {
        return false;
    }
    if (enabled) {
        disabled->erase(identifier);
    } else {
        disabled->insert(identifier);
    }
    const auto text = encode(*disabled);
    std::string why = "can't encode the settings";
    if (!text || !writeFileAtomically(file, *text, &why)) {
        return fail(error, browserError(BrowserErrorCode::SettingsUnwritable,
                                        "The browser's extension settings can't be written: " + why));
    }
    return true;
}

} // namespace orvane::browser
