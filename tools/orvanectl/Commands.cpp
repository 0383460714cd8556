#include "Commands.h"

#include "BrowserCommand.h"
#include "CatalogCommands.h"
#include "ClassifyCommand.h"
#include "CloudCommand.h"
#include "ConvertCommand.h"
#include "ExtensionCommand.h"
#include "InspectCommand.h"
#include "ReloadCommands.h"
#include "ReportCommands.h"
#include "RuleCommands.h"
#include "SyncCommand.h"
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
        kSyncCommand,
        kPrefsCommand,
        kImportCommand,
        kExportCommand,
        kConvertCommand,
        kExtensionCommand,
        kBrowserCommand,
        Command{"cloud", kCloudUsage, runCloud},
        kReportCommand,
        Command{"classify", "classify URL[=BYTES]... [--json]   (URLs one per line on standard input when none given)",
                runClassify},
        kInspectCommand,
    };
    return kCommands;
}

} // namespace orvane::cli
