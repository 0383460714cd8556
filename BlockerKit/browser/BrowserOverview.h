#pragma once

#include "browser/BrowserChoice.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane::browser {

// What the extension settings window shows, and `orvanectl browser status` prints: GNOME Web
// on this machine, the browser that applies the rules, and the switches with one plain
// sentence each. Read afresh on every call; nothing here needs a toolkit.

// What switching calls. Connecting is followed by a rebuild that does not ask for the state
// first (GNOME Web cannot list Orvane's rules before that rebuild publishes them), as
// `orvanectl browser connect` does.
enum class BrowserSwitchKind {
    useOrvaneRulesInGnomeWeb, // on: connectGnomeWeb(), then the rebuild; off: disconnectGnomeWeb()
    gnomeWebContentBlocking,  // setGnomeWebContentBlocking()
    contentBlockerExtension,  // the stand-in's switches: setExtensionEnabled() with the identifier
    appExtension,
};

struct BrowserSwitch {
    BrowserSwitchKind kind = BrowserSwitchKind::useOrvaneRulesInGnomeWeb;
    std::string identifier; // "use-orvane-rules", "gnome-web-content-blocking", or the extension's identifier
    std::string title;      // the switch's label and accessible name
    bool on = false;
    std::string explanation; // one plain sentence: what switching it does
};

struct BrowserOverview {
    // GNOME Web installed on the system, which Orvane can serve.
    bool gnomeWebInstalled = false;
    std::optional<std::string> gnomeWebVersion;
    bool gnomeWebAppliesEveryList = false;
    // A Flatpak GNOME Web, which Orvane cannot serve yet.
    bool gnomeWebFlatpak = false;
    std::optional<std::string> flatpakVersion;
    // One or two sentences about GNOME Web on this machine.
    std::string gnomeWebSummary;

    // The browser that applies the rules, and whether ORVANE_BROWSER chose it.
    BrowserKind browser = BrowserKind::standIn;
    bool chosenByEnvironment = false;
    // GNOME Web's settings, when it is installed.
    bool usesOrvaneRules = false;
    bool contentBlocking = false;
    std::optional<std::string> publishedList;

    // GNOME Web's two switches when it is installed; the stand-in's two while GNOME Web is not
    // the browser.
    std::vector<BrowserSwitch> switches;
    // Something that keeps the rules from being applied, in plain words.
    std::optional<std::string> problem;
};

BrowserOverview browserOverview();

} // namespace orvane::browser
