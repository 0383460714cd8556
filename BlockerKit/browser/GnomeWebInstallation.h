#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::browser {

// GNOME Web (Epiphany) as this machine has it. Orvane serves the GNOME Web installed on the
// system, whose settings are the desktop's GSettings. A Flatpak GNOME Web keeps its settings
// and files inside its sandbox, where neither the desktop's settings nor a list in Orvane's
// shared container reach it; it is found and reported, not served.
struct GnomeWebInstallation {
    // Its settings schemas are installed, so its settings can be read and written.
    bool installed = false;
    // The version its AppStream file names, when there is one.
    std::optional<std::string> version;
    // 50.2 and later apply every list of "content-filters" at each navigation; earlier ones
    // apply reliably only the last list that finished loading.
    bool appliesEveryList = false;

    bool flatpak = false;
    std::optional<std::string> flatpakVersion;
};

// Looks afresh: the schema source of the process, the AppStream files of the data folders,
// and the user's and the system's Flatpak installations.
GnomeWebInstallation findGnomeWeb();

// Whether a version text ("43.1", "50.2", "51.alpha") is 50.2 or later. Text that starts with no
// number counts as earlier, where keeping one list is safe for every version.
bool versionAppliesEveryList(std::string_view version);

// The first release an AppStream file lists (the newest, by the format's order); absent when
// the file cannot be read or lists none.
std::optional<std::string> appStreamVersion(const std::filesystem::path& file);

} // namespace orvane::browser
