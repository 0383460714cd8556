#include "browser/BrowserChoice.h"

#include "browser/BrowserError.h"
#include "platform/UserDefaults.h"

#include <cstdlib>
#include <string>

namespace orvane::browser {

std::string_view browserName(BrowserKind kind) {
    switch (kind) {
    case BrowserKind::standIn: return "stand-in";
    case BrowserKind::gnomeWeb: return "gnome-web";
    }
    return {};
}

std::optional<BrowserKind> browserNamed(std::string_view name) {
    for (const auto kind : {BrowserKind::standIn, BrowserKind::gnomeWeb}) {
        if (name == browserName(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<BrowserChoice> browserChoice(BrowserError* error) {
    if (const char* variable = std::getenv(kBrowserVariable); variable != nullptr && *variable != '\0') {
        if (const auto kind = browserNamed(variable)) {
            return BrowserChoice{*kind, true};
        }
        if (error != nullptr) {
            *error = browserError(BrowserErrorCode::BrowserUnknown,
                                  std::string(kBrowserVariable) + " names no browser: \"" + variable +
                                      "\" (expected \"gnome-web\" or \"stand-in\")");
        }
        return std::nullopt;
    }
    const auto stored = UserDefaults::group().stringForKey(kBrowserChoiceKey);
    return BrowserChoice{stored ? browserNamed(*stored).value_or(BrowserKind::standIn) : BrowserKind::standIn, false};
}

void rememberBrowserChoice(BrowserKind kind) {
    UserDefaults& defaults = UserDefaults::group();
    defaults.set(kBrowserChoiceKey, std::string(browserName(kind)));
    defaults.synchronize();
}

} // namespace orvane::browser
