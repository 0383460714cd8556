#pragma once

#include "browser/BrowserError.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace orvane::browser {

inline constexpr const char* kContentBlockerIdentifier = "larkmoor.BlockerMac.BlockerMacExtension";
inline constexpr const char* kSafariExtensionIdentifier = "larkmoor.BlockerMac.SafariExtension";

struct ExtensionState {
    bool isEnabled = false;
};

using StateCompletion = std::function<void(std::optional<ExtensionState>, std::optional<BrowserError>)>;
using ReloadCompletion = std::function<void(std::optional<BrowserError>)>;

// The content-filter store in the shared container where the compiled content blockers lie, each
// under its identifier, for a web view to load.
std::filesystem::path contentFilterStoreDirectory();

// The browser's content-blocker manager. Completions run on a worker thread, never inside the
// call; they share that thread and must not block it. An identifier the manager does not know
// is answered with an error.
class ContentBlockerManager {
public:
    // The state of a content-blocker extension in the chosen browser (BrowserChoice.h): for
    // GNOME Web, enabled when Orvane's list is in its "content-filters" and its content
    // blocking is on; for the stand-in, from its extension settings.
    static void getStateOfContentBlocker(const std::string& identifier, StateCompletion completion);
    // Compiles "tmp.json" of the shared container with WebKit into the content-filter store of
    // the shared container under `identifier`. No error means WebKit accepted the file; WebKit's
    // refusal arrives as the error with WebKit's message as its description. With GNOME Web
    // chosen, the compiled copy is then published to it (GnomeWebConnection.h), and a failure
    // to publish is the error.
    static void reloadContentBlocker(const std::string& identifier, ReloadCompletion completion);
};

// The browser's app-extension manager. GNOME Web has no app extension: its quick actions are the
// application's menu, so it answers enabled.
class SafariExtensionManager {
public:
    static void getStateOfSafariExtension(const std::string& identifier, StateCompletion completion);
};

} // namespace orvane::browser
