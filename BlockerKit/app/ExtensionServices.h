#pragma once

#include "platform/NotificationCenter.h"

#include <functional>
#include <optional>
#include <string>

namespace orvane {

// The browser's two extensions as the application's windows see them: the content blocker that
// reads the compiled list, and the app extension with its quick actions.
enum class BrowserExtension { contentBlocker, appExtension };

// The browser's answer to a state query, on the main thread: enabled or not, or no state with
// the error's text.
using ExtensionStateAnswer = std::function<void(std::optional<bool> enabled, const std::string& error)>;
void queryExtensionState(BrowserExtension extension, ExtensionStateAnswer answer);

// The browser stand-in's extension settings, read anew on every call: absent with the error's
// text when they cannot be read.
std::optional<bool> isExtensionEnabled(BrowserExtension extension, std::string& error);
// Switches an extension; answers false with the error's text when the settings cannot be written.
bool setExtensionEnabled(BrowserExtension extension, bool enabled, std::string& error);

// Calls `handler` on the posting thread whenever a rebuild finds the content blocker disabled.
ObserverRegistration observeDisabledContentBlocker(std::function<void()> handler);

} // namespace orvane
