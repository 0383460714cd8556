#pragma once

#include <string>
#include <utility>

namespace orvane::browser {

enum class BrowserErrorCode {
    UnknownExtension = 1,
    SettingsUnreadable = 2,
    SettingsUnwritable = 3,
    BlockerFileMissing = 4,
    CompilerMissing = 5,
    CompilerFailed = 6,
    BrowserUnknown = 7,
    GnomeWebMissing = 8,
    GnomeWebFlatpakUnsupported = 9,
    GnomeWebSettingsUnwritable = 10,
    GnomeWebPublishFailed = 11,
    // WebKit refused the content-blocker file; the message is WebKit's own.
    Refused = 12,
    // WebKit's compiler crashed on the file (it does on some patterns it should refuse).
    CompilerCrashed = 13,
};

// What the browser answers when it cannot do what it was asked.
struct BrowserError {
    BrowserErrorCode code = BrowserErrorCode::CompilerFailed;
    std::string message;

    bool operator==(const BrowserError&) const = default;
};

inline BrowserError browserError(BrowserErrorCode code, std::string message) {
    return BrowserError{code, std::move(message)};
}

} // namespace orvane::browser
