#pragma once

#include "platform/JsonText.h"

#include <iostream>
#include <string>

namespace orvane::cli {

inline JsonValue jsonText(const std::string& text, JsonAllocator& allocator) {
    return JsonValue(text.c_str(), static_cast<rapidjson::SizeType>(text.size()), allocator);
}

// Prints a value as one line of compact JSON.
inline void printJson(const JsonValue& value) { std::cout << serializeJson(value).value_or("null") << "\n"; }

} // namespace orvane::cli
