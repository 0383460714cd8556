#pragma once

#include <filesystem>
#include <string>

namespace orvane {

// Where the per-user state lives. Every value is read from the environment on each call, so a
// second "machine" is just another ORVANE_HOME.

// $ORVANE_HOME, else $XDG_DATA_HOME/orvane, else ~/.local/share/orvane. With none of the three
// set the program stops.
std::filesystem::path orvaneHome();
// The application-group container shared with the browser extension.
std::filesystem::path sharedContainerDirectory();
// The documents directory (read only, as a source of older package copies).
std::filesystem::path documentsDirectory();
// The application's resources: $ORVANE_RESOURCES, else the build tree's resources/ (which the
// build makes) for a binary of the build tree, else the installed data directory.
std::filesystem::path resourcesDirectory();
// The cloud account, as ORVANE_CLOUD sets it: $ORVANE_CLOUD, else "sqlite:$ORVANE_HOME/Cloud".
std::string cloudSetting();
// The directory of the running executable (helper programs are installed beside it).
std::filesystem::path executableDirectory();

inline constexpr const char* kApplicationGroup = "ZX3QW8TR5M.larkmoor.Blocker";

} // namespace orvane
