#pragma once

#include "browser/BrowserError.h"

#include <optional>
#include <string_view>

namespace orvane::browser {

// Which browser applies the compiled rules: GNOME Web once the user connects it, else the
// stand-in. The choice lives in the shared preferences, so the application, its extension
// settings window and orvanectl agree; ORVANE_BROWSER overrides it for scripts and tests.
enum class BrowserKind { standIn, gnomeWeb };

inline constexpr const char* kBrowserChoiceKey = "Browser";
inline constexpr const char* kBrowserVariable = "ORVANE_BROWSER";

// "stand-in", "gnome-web": the values of the preference and of ORVANE_BROWSER.
std::string_view browserName(BrowserKind kind);
std::optional<BrowserKind> browserNamed(std::string_view name);

struct BrowserChoice {
    BrowserKind kind = BrowserKind::standIn;
    bool fromEnvironment = false;
};

// Absent, with `error` set when given, when ORVANE_BROWSER names no browser: a script that
// asks for one must not silently get the other. A stored value this code did not write reads
// as the stand-in.
std::optional<BrowserChoice> browserChoice(BrowserError* error = nullptr);

// Writes the choice into the shared preferences (ORVANE_BROWSER still overrides it).
void rememberBrowserChoice(BrowserKind kind);

} // namespace orvane::browser
