#pragma once

#include "platform/JsonText.h"
#include "model/Records.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Content-blocker entry form: Trigger, Action, Blocker (and lists of blockers).
// Storage form: Rule, Package (and lists of them).
// Both are written straight to text without an intermediate tree, so even the content-blocker
// file of every rule costs one pass; toJSON builds the tree for callers that want one.

JsonValue toJSON(const Trigger& trigger, JsonAllocator& allocator);
JsonValue toJSON(const Action& action, JsonAllocator& allocator);
JsonValue toJSON(const Blocker& blocker, JsonAllocator& allocator);
JsonValue toJSON(const std::vector<Blocker>& blockers, JsonAllocator& allocator);
JsonValue toJSON(const Rule& rule, JsonAllocator& allocator);
JsonValue toJSON(const Package& package, JsonAllocator& allocator);
JsonValue toJSON(const std::vector<Rule>& rules, JsonAllocator& allocator);
JsonValue toJSON(const std::vector<Package>& packages, JsonAllocator& allocator);

// Compact JSON text; absent when a string of the record is not valid UTF-8.
std::optional<std::string> toJSONString(const Trigger& trigger);
std::optional<std::string> toJSONString(const Action& action);
std::optional<std::string> toJSONString(const Blocker& blocker);
std::optional<std::string> toJSONString(const std::vector<Blocker>& blockers);
// The text of a list of blockers, handed to `write` in pieces of about 64 KB as it is made, so a
// list of any length needs no buffer of its size. False when a text is not valid UTF-8 or
// `write` answers false.
bool writeJSON(std::span<const Blocker* const> blockers, const std::function<bool(std::string_view)>& write);
std::optional<std::string> toJSONString(const Rule& rule);
std::optional<std::string> toJSONString(const Package& package);
std::optional<std::string> toJSONString(const std::vector<Rule>& rules);
std::optional<std::string> toJSONString(const std::vector<Package>& packages);

} // namespace orvane
