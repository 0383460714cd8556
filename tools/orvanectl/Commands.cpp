#include "Commands.h"

#include "CatalogCommands.h"
#include "ReloadCommands.h"
#include "RuleCommands.h"
#include "TransferCommands.h"

#include <array>

namespace orvane::cli {

std::span<const Command> commands() {
    static constexpr std::array kCommands{
        kRuleCommand,
        kLaunchCommand,
        kPackagesCommand,
        kRulesCommand,
        kAddCommand,
        kRemoveCommand,
        kEnableCommand,
        kDisableCommand,
        kPackageCommand,
        kRebuildCommand,
        kSignalCommand,
        kWatchCommand,
        kPrefsCommand,
        kImportCommand,
        kExportCommand,
    };
    return kCommands;
}

} // namespace orvane::cli
