#pragma once

// The notifications a front end follows to keep its package and rule lists current, whichever
// process made the change. Offered here so that front ends need no header below app/.

#include "catalog/DataManager.h"
#include "prefs/BlockerPreferenceManager.h"

namespace orvane::notifications {

// The catalog's package files were saved (also by another process).
inline constexpr const char* kDidSavePackages = orvane::kDidSavePackages;
// An import added packages or rules.
inline constexpr const char* kDidImportBlockers = orvane::kDidImportBlockers;
// A switch of a package or rule was saved on this machine (also by another process).
inline constexpr const char* kDidSaveUserPreference = orvane::kDidSaveUserPreference;
// The switches kept in the cloud changed on another machine.
inline constexpr const char* kRemotePreferenceSync = orvane::kRemotePreferenceSync;

} // namespace orvane::notifications
