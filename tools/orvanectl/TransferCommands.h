#pragma once

#include "Command.h"

namespace orvane::cli {

int runImport(Arguments arguments);
int runExport(Arguments arguments);

inline constexpr Command kImportCommand{"import", "import FILE", runImport};
inline constexpr Command kExportCommand{"export", "export PACKAGE FILE[.orvanepkg]", runExport};

} // namespace orvane::cli
