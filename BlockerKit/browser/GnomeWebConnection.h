#pragma once

#include "browser/GnomeWebList.h"
#include "browser/BrowserError.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane::browser {

// GNOME Web connected to Orvane: its "content-filters" name Orvane's newest list, and, on a
// GNOME Web that applies one list only, nothing else; the user's other lists wait in the shared
// preferences until disconnecting gives them back. Every change of the settings holds the list
// folder's lock, so the application and orvanectl never interleave their edits.

// The shared preferences key of the user's lists set aside while Orvane's list is in.
inline constexpr const char* kGnomeWebSetAsideKey = "GnomeWebSetAsideContentFilters";

struct GnomeWebState {
    std::vector<std::string> contentFilters;
    // Orvane's list among them.
    std::optional<std::string> ourList;
    // "enable-adblock": GNOME Web's own switch for all content blocking.
    bool contentBlocking = false;

    // The content blocker is on in GNOME Web: Orvane's list is in and blocking is on.
    bool rulesApplied() const { return ourList.has_value() && contentBlocking; }
};

// Absent, with `error` set when given, when GNOME Web is not installed on this system.
std::optional<GnomeWebState> gnomeWebState(BrowserError* error = nullptr);

// Makes GNOME Web the browser that applies the rules. Refuses when it is not installed on the
// system (a Flatpak one included). The list enters its settings with the next publication,
// which the caller asks for by rebuilding.
bool connectGnomeWeb(BrowserError* error = nullptr);

// Takes Orvane's list out of GNOME Web, gives back the lists set aside (a value equal to the
// default resets the key, as it was before), deletes the published files and makes the
// stand-in the browser again.
bool disconnectGnomeWeb(BrowserError* error = nullptr);

// Switches GNOME Web's content blocking ("enable-adblock").
bool setGnomeWebContentBlocking(bool on, BrowserError* error = nullptr);

// Names the staged list, puts its URI in place of Orvane's earlier one, waits until the
// settings have it, and deletes the earlier files no longer listed. Setting "content-filters"
// to the value it holds does nothing in GNOME Web, so the same content published twice
// changes nothing. When GNOME Web is no longer the chosen browser (disconnected while the list
// was compiled), nothing is published and the answer is still true.
bool publishToGnomeWeb(StagedList list, BrowserError* error = nullptr);

} // namespace orvane::browser
