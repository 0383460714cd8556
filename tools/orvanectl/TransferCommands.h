#pragma once

#include "Command.h"

namespace orvane::cli {

int runImport(Arguments arguments);
int runExport(Arguments arguments);

inline constexpr Command kImportCommand{"import", "import FILE", runImport};
inline constexpr Command kExportCommand{"export",
                                        "export PACKAGE FILE[.orvanepkg]\n"
                                        "  export PACKAGE FILE.json --content-blocker   its enabled rules as a plain "
                                        "content-blocker list",
                                        runExport};

} // namespace orvane::cli
