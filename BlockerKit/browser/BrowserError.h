#pragma once

#include "platform/Error.h"

#include <string>
#include <utility>

namespace orvane::browser {

// Errors of the browser stand-in itself. WebKit's own refusals keep WebKit's domain and code.
inline constexpr const char* kBrowserErrorDomain = "orvane.browser";

enum class BrowserErrorCode : long {
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
};

inline Error browserError(BrowserErrorCode code, std::string description) {
    return Error{kBrowserErrorDomain, static_cast<long>(code), std::move(description)};
}

} // namespace orvane::browser
