#pragma once

#include "platform/JsonText.h"
#include "model/Records.h"

#include <optional>
#include <vector>

namespace orvane {

// Lenient readers: unreadable rules are skipped with fixed log lines, missing ids become fresh
// UUIDs, missing names empty strings. Nothing throws.

// Absent only when the value is not an object.
std::optional<Package> packageFromJSON(const JsonValue& value);
// Every element that is a package object, in order; an empty list for anything but an array.
std::vector<Package> packagesFromJSON(const JsonValue& value);
// One rule object; absent (after its log lines) when its trigger or action cannot be read.
std::optional<Rule> ruleFromJSON(const JsonValue& value);
// The readable rules of an array, in order.
std::vector<Rule> rulesFromJSON(const JsonValue& value);
std::optional<Trigger> triggerFromJSON(const JsonValue& value);
std::optional<Action> actionFromJSON(const JsonValue& value);

} // namespace orvane
