#pragma once

#include "Command.h"

namespace orvane::cli {

int runLaunch(Arguments arguments);
int runRebuild(Arguments arguments);
int runSignal(Arguments arguments);
int runWatch(Arguments arguments);
int runPrefs(Arguments arguments);

inline constexpr Command kLaunchCommand{"launch", "launch", runLaunch};
inline constexpr Command kRebuildCommand{"rebuild", "rebuild", runRebuild};
inline constexpr Command kSignalCommand{"signal", "signal paused on|off | signal reloadRulesFromDisk", runSignal};
inline constexpr Command kWatchCommand{"watch", "watch", runWatch};
inline constexpr Command kPrefsCommand{"prefs", "prefs local|cloud", runPrefs};

} // namespace orvane::cli
