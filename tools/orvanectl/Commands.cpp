#include "Commands.h"

#include "CatalogCommands.h"
#include "ReloadCommands.h"

#include <array>

namespace orvane::cli {

std::span<const Command> commands() {
    static constexpr std::array kCommands{
        kLaunchCommand,  kPackagesCommand, kRulesCommand,  kRemoveCommand, kEnableCommand, kDisableCommand,
        kPackageCommand, kRebuildCommand,  kSignalCommand, kWatchCommand,  kPrefsCommand,
    };
    return kCommands;
}

} // namespace orvane::cli
