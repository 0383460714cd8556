#pragma once

#include "platform/JsonText.h"
#include "model/Records.h"
#include "model/SkippedRules.h"

#include <optional>
#include <vector>

namespace orvane {

// Lenient readers: unreadable rules are skipped with log lines (see PackageDecoder), missing ids
// become fresh UUIDs, missing names empty strings. Nothing throws. Where `skipped` is given, the
// rules left out are counted there by reason.

// Absent only when the value is not an object.
std::optional<Package> packageFromJSON(const JsonValue& value);
// Every element that is a package object, in order; an empty list for anything but an array.
std::vector<Package> packagesFromJSON(const JsonValue& value, SkippedRules* skipped = nullptr);
// One rule object; absent (after its log lines) when its trigger or action cannot be read.
std::optional<Rule> ruleFromJSON(const JsonValue& value);
// The readable rules of an array, in order.
std::vector<Rule> rulesFromJSON(const JsonValue& value, SkippedRules* skipped = nullptr);
std::optional<Trigger> triggerFromJSON(const JsonValue& value);
std::optional<Action> actionFromJSON(const JsonValue& value);
// The readable entries of a plain content-blocker list (an array of objects with "trigger" and
// "action"), in order; an empty list for anything but an array.
std::vector<Blocker> blockersFromJSON(const JsonValue& value, SkippedRules* skipped = nullptr);

} // namespace orvane
