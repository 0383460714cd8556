#pragma once

#include "Command.h"

namespace orvane::cli {

int runConvert(Arguments arguments);

inline constexpr Command kConvertCommand{
    "convert",
    "convert LIST.txt [--name NAME] [--id ID] > PACKAGE.orvanepkg   a filter list (Adblock Plus syntax) as a "
    "package; the counts on standard error",
    runConvert};

} // namespace orvane::cli
