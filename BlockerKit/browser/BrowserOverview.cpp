#include "browser/BrowserOverview.h"

#include "browser/ContentBlockerManager.h"
#include "browser/ExtensionSettings.h"
#include "browser/GnomeWebConnection.h"
#include "browser/GnomeWebInstallation.h"

namespace orvane::browser {
namespace {

std::string versioned(const std::optional<std::string>& version) {
    return version ? "GNOME Web " + *version : std::string("GNOME Web");
}

std::string summary(const GnomeWebInstallation& found) {
    std::string text;
    if (found.installed) {
        text = versioned(found.version) + " is installed.";
    } else if (!found.flatpak) {
        text = "GNOME Web is not installed: the rules are compiled for the stand-in browser.";
    }
    if (found.flatpak) {
        text += std::string(text.empty() ? "" : " ") + versioned(found.flatpakVersion) +
                " is installed as a Flatpak, which keeps its settings and files inside its sandbox: Orvane can't "
                "serve it yet.";
    }
    return text;
}

void addGnomeWebSwitches(BrowserOverview& overview) {
    overview.switches.push_back(
        {BrowserSwitchKind::useOrvaneRulesInGnomeWeb, "use-orvane-rules", "Use Orvane's rules in GNOME Web",
         overview.browser == BrowserKind::gnomeWeb && overview.usesOrvaneRules,
         overview.gnomeWebAppliesEveryList
             ? "GNOME Web applies Orvane's rules along with its other lists; switching off takes them out."
             : "GNOME Web blocks with Orvane's rules instead of its other lists, which switching off gives back."});
    overview.switches.push_back({BrowserSwitchKind::gnomeWebContentBlocking, "gnome-web-content-blocking",
                                 "Content blocking in GNOME Web", overview.contentBlocking,
                                 "GNOME Web's own switch for all content blocking: while it is off, GNOME Web "
                                 "blocks nothing, Orvane's rules included."});
}

void addStandInSwitches(BrowserOverview& overview) {
    BrowserError error;
    const auto statuses = extensionStatuses(&error);
    if (!statuses) {
        overview.problem = error.message;
        return;
    }
    for (const auto& status : *statuses) {
        const bool blocker = status.identifier == kContentBlockerIdentifier;
        overview.switches.push_back(
            {blocker ? BrowserSwitchKind::contentBlockerExtension : BrowserSwitchKind::appExtension, status.identifier,
             blocker ? "Orvane content blocker" : "Orvane quick actions", status.enabled,
             blocker ? "The stand-in browser applies Orvane's rules only while this is on; while it is off, Orvane "
                       "asks you to switch it on instead of applying changes."
                     : "The stand-in browser's toolbar extension for pausing, resuming and reloading the rules; "
                       "Orvane asks for it on its first start."});
    }
}

} // namespace

BrowserOverview browserOverview() {
    BrowserOverview overview;
    const auto found = findGnomeWeb();
    overview.gnomeWebInstalled = found.installed;
    overview.gnomeWebVersion = found.version;
    overview.gnomeWebAppliesEveryList = found.appliesEveryList;
    overview.gnomeWebFlatpak = found.flatpak;
    overview.flatpakVersion = found.flatpakVersion;
    overview.gnomeWebSummary = summary(found);

    BrowserError error;
    const auto choice = browserChoice(&error);
    if (choice) {
        overview.browser = choice->kind;
        overview.chosenByEnvironment = choice->fromEnvironment;
    } else {
        overview.problem = error.message;
    }

    if (found.installed) {
        if (const auto state = gnomeWebState(&error)) {
            overview.usesOrvaneRules = state->ourList.has_value();
            overview.publishedList = state->ourList;
            overview.contentBlocking = state->contentBlocking;
        }
        addGnomeWebSwitches(overview);
    }
    if (overview.browser != BrowserKind::gnomeWeb) {
        addStandInSwitches(overview);
    } else if (!found.installed) {
        overview.problem = "GNOME Web is the chosen browser but is not installed on this system.";
    } else if (!overview.usesOrvaneRules) {
        overview.problem = "GNOME Web doesn't list Orvane's rules: switch on \"Use Orvane's rules in GNOME Web\".";
    } else if (!overview.contentBlocking) {
        overview.problem = "GNOME Web's content blocking is off, so it applies none of Orvane's rules.";
    }
    return overview;
}

} // namespace orvane::browser
