#pragma once

#include "platform/JsonText.h"
#include "model/Records.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Content-blocker entry form: Trigger, Action, Blocker (and lists of blockers).
JsonValue toJSON(const Trigger& trigger, JsonAllocator& allocator);
JsonValue toJSON(const Action& action, JsonAllocator& allocator);
JsonValue toJSON(const Blocker& blocker, JsonAllocator& allocator);
JsonValue toJSON(const std::vector<Blocker>& blockers, JsonAllocator& allocator);

// Storage form: Rule, Package (and lists of them).
JsonValue toJSON(const Rule& rule, JsonAllocator& allocator);
JsonValue toJSON(const Package& package, JsonAllocator& allocator);
JsonValue toJSON(const std::vector<Rule>& rules, JsonAllocator& allocator);
JsonValue toJSON(const std::vector<Package>& packages, JsonAllocator& allocator);

// Compact JSON text; absent when a string of the record is not valid UTF-8.
template <typename Record>
std::optional<std::string> toJSONString(const Record& record) {
    JsonDocument document;
    JsonValue value = toJSON(record, document.GetAllocator());
    return serializeJson(value);
}

} // namespace orvane
