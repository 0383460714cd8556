#pragma once

#include <rapidjson/document.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

using JsonValue = rapidjson::Value;
using JsonDocument = rapidjson::Document;
using JsonAllocator = rapidjson::Document::AllocatorType;

// Deeper nesting than any package file needs; anything beyond is refused, not recursed into.
inline constexpr unsigned kMaxJsonDepth = 128;

// Parses untrusted text: UTF-8 validated, nesting bounded, every byte part of the document.
// Absent on any error.
std::optional<JsonDocument> parseJson(std::string_view text);

// Whether text is UTF-8 that JSON can carry: no ill-formed sequences and no surrogate code points
// (NUL is fine; JSON writes it escaped).
bool isValidUtf8(std::string_view text);

// Compact text of a value. Absent when a string in it is not valid UTF-8.
std::optional<std::string> serializeJson(const JsonValue& value);

} // namespace orvane
