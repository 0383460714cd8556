#pragma once

#include "model/Enums.h"

#include <optional>
#include <string_view>

namespace orvane {

// Which editor a rule opens in: the kind of rule its action makes.
ConfigurablePackageType editorKindForAction(ActionType type);

// The identifier of the editor of a kind (also the name of its screen).
std::string_view editorIDForKind(ConfigurablePackageType kind);

// The kind of rule a package takes: its own for a configurable package (its id is the kind's
// text form), absent for any other package.
std::optional<ConfigurablePackageType> packageKind(std::string_view packageId);

} // namespace orvane
