#pragma once

#include "platform/Error.h"

#include <functional>
#include <optional>
#include <string>

namespace orvane::browser {

inline constexpr const char* kContentBlockerIdentifier = "larkmoor.BlockerMac.BlockerMacExtension";
inline constexpr const char* kSafariExtensionIdentifier = "larkmoor.BlockerMac.SafariExtension";

struct ExtensionState {
    bool isEnabled = false;
};

using StateCompletion = std::function<void(std::optional<ExtensionState>, std::optional<Error>)>;
using ReloadCompletion = std::function<void(std::optional<Error>)>;

// The browser's content-blocker manager. Completions run on a worker thread, never inside the
// call.
class ContentBlockerManager {
public:
    // The state of a content-blocker extension, from the browser's extension settings.
    static void getStateOfContentBlocker(const std::string& identifier, StateCompletion completion);
    // Compiles "tmp.json" of the shared container with WebKit into the content-filter store of
    // the shared container under `identifier`. No error means WebKit accepted the file.
    static void reloadContentBlocker(const std::string& identifier, ReloadCompletion completion);
};

// The browser's app-extension manager.
class SafariExtensionManager {
public:
    static void getStateOfSafariExtension(const std::string& identifier, StateCompletion completion);
};

} // namespace orvane::browser
