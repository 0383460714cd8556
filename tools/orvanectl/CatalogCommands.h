#pragma once

#include "Command.h"

namespace orvane::cli {

int runPackages(Arguments arguments);
int runRules(Arguments arguments);
int runAdd(Arguments arguments);
int runRemove(Arguments arguments);
int runEnable(Arguments arguments);
int runDisable(Arguments arguments);
int runPackage(Arguments arguments);

inline constexpr Command kPackagesCommand{"packages", "packages [--json]", runPackages};
inline constexpr Command kRulesCommand{
    "rules", "rules PACKAGE [--json] [--filter all|enabled|disabled] [--search TEXT]", runRules};
inline constexpr Command kAddCommand{
    "add", "add PACKAGE [KIND] [--rule-id ID] [rule build options, as for rule build]", runAdd};
inline constexpr Command kRemoveCommand{"remove", "remove PACKAGE RULE_ID", runRemove};
inline constexpr Command kEnableCommand{"enable", "enable PACKAGE [RULE_ID...]", runEnable};
inline constexpr Command kDisableCommand{"disable", "disable PACKAGE [RULE_ID...]", runDisable};
inline constexpr Command kPackageCommand{"package", "package new NAME | package rename ID NAME | package delete ID",
                                         runPackage};

} // namespace orvane::cli
