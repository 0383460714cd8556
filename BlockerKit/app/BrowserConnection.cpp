#include "app/BrowserConnection.h"

#include "browser/GnomeWebConnection.h"
#include "output/Safari.h"
#include "prefs/BlockerPreferenceManager.h"

namespace orvane {

Expected<void, browser::BrowserError> useGnomeWeb(ReloadHandler published) {
    browser::BrowserError error;
    if (!browser::connectGnomeWeb(&error)) {
        return error;
    }
    Safari::reload(true, BlockerPreferenceManager::create(), false, std::move(published));
    return {};
}

} // namespace orvane
