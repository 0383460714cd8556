#include "browser/GnomeWebConnection.h"

#include "browser/BrowserChoice.h"
#include "browser/BrowserError.h"
#include "browser/ContentFilterList.h"
#include "browser/GnomeWebInstallation.h"
#include "browser/GnomeWebSettings.h"
#include "platform/FileLock.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <system_error>

namespace orvane::browser {
namespace {

bool fail(BrowserError* error, BrowserError value) {
    if (error != nullptr) {
        *error = std::move(value);
    }
    return false;
}

BrowserError notInstalled() {
    if (findGnomeWeb().flatpak) {
        return browserError(BrowserErrorCode::GnomeWebFlatpakUnsupported,
                            "GNOME Web is installed as a Flatpak, which keeps its settings and files inside its "
                            "sandbox: Orvane can't serve it yet");
    }
    return browserError(BrowserErrorCode::GnomeWebMissing, "GNOME Web is not installed");
}

BrowserError unwritable(const std::string& why) {
    return browserError(BrowserErrorCode::GnomeWebSettingsUnwritable, "GNOME Web's settings can't be changed: " + why);
}

// The list folder's lock, held across every read-modify-write of GNOME Web's settings.
class ListLock {
public:
    ListLock() : lock_(lockFile(), FileLock::Mode::exclusive, true) {}

    bool held(BrowserError* error) const {
        if (lock_.status() == FileLock::Status::held) {
            return true;
        }
        return fail(error, unwritable(lock_.error()));
    }

private:
    static std::filesystem::path lockFile() {
        std::error_code ec;
        std::filesystem::create_directories(gnomeWebListDirectory(), ec);
        return gnomeWebListDirectory() / ".lock";
    }
    FileLock lock_;
};

std::vector<std::string> setAsideLists() {
    const auto value = UserDefaults::group().object(kGnomeWebSetAsideKey);
    return value ? value->asStringArray().value_or(std::vector<std::string>{}) : std::vector<std::string>{};
}

void rememberSetAside(const std::vector<std::string>& lists) {
    UserDefaults& defaults = UserDefaults::group();
    if (lists.empty()) {
        defaults.remove(kGnomeWebSetAsideKey);
    } else {
        defaults.set(kGnomeWebSetAsideKey, toPropertyValue(lists));
    }
    defaults.synchronize();
}

} // namespace

std::optional<GnomeWebState> gnomeWebState(BrowserError* error) {
    auto settings = GnomeWebSettings::open();
    if (!settings) {
        fail(error, notInstalled());
        return std::nullopt;
    }
    GnomeWebState state;
    state.contentFilters = settings->contentFilters();
    const auto ours = std::find_if(state.contentFilters.begin(), state.contentFilters.end(), isOurGnomeWebList);
    if (ours != state.contentFilters.end()) {
        state.ourList = *ours;
    }
    state.contentBlocking = settings->contentBlocking();
    return state;
}

bool connectGnomeWeb(BrowserError* error) {
    if (!gnomeWebSchemasInstalled()) {
        return fail(error, notInstalled());
    }
    rememberBrowserChoice(BrowserKind::gnomeWeb);
    return true;
}

bool disconnectGnomeWeb(BrowserError* error) {
    const ListLock lock;
    if (!lock.held(error)) {
        return false;
    }
    if (auto settings = GnomeWebSettings::open()) {
        const auto current = settings->contentFilters();
        const auto restored = withoutOurList(current, setAsideLists(), isOurGnomeWebList);
        std::string why;
        if (restored != current) {
            const bool written = settings->isDefaultContentFilters(restored) ? settings->resetContentFilters(&why)
                                                                             : settings->setContentFilters(restored, &why);
            if (!written) {
                return fail(error, unwritable(why));
            }
        }
        rememberSetAside({});
        removeUnlistedGnomeWebLists(restored);
    }
    rememberBrowserChoice(BrowserKind::standIn);
    return true;
}

bool setGnomeWebContentBlocking(bool on, BrowserError* error) {
    auto settings = GnomeWebSettings::open();
    if (!settings) {
        return fail(error, notInstalled());
    }
    std::string why;
    if (!settings->setContentBlocking(on, &why)) {
        return fail(error, unwritable(why));
    }
    return true;
}

bool publishToGnomeWeb(StagedList list, BrowserError* error) {
    auto settings = GnomeWebSettings::open();
    if (!settings) {
        return fail(error, notInstalled());
    }
    const ListLock lock;
    if (!lock.held(error)) {
        return false;
    }
    // Disconnecting while this list was compiled gave the user's lists back; that stands.
    if (const auto choice = browserChoice(); !choice || choice->kind != BrowserKind::gnomeWeb) {
        log("GNOME Web was disconnected: the content blocker is not published to it");
        return true;
    }
    const auto file = list.name(error);
    if (!file) {
        return false;
    }
    const std::string uri = gnomeWebListURI(*file);
    const auto current = settings->contentFilters();
    const auto setAside = setAsideLists();
    const auto next = withOurList(current, setAside, uri, findGnomeWeb().appliesEveryList, isOurGnomeWebList);
    // The user's lists are kept before they leave the settings: a crash in between loses none.
    if (next.setAside != setAside) {
        rememberSetAside(next.setAside);
    }
    std::string why;
    if (next.filters != current && !settings->setContentFilters(next.filters, &why)) {
        removeUnlistedGnomeWebLists(current);
        return fail(error, unwritable(why));
    }
    removeUnlistedGnomeWebLists(next.filters);
    log("Published the content blocker to GNOME Web: " + uri);
    return true;
}

} // namespace orvane::browser
