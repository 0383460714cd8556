#pragma once

#include "platform/JsonText.h"

#include <string_view>

namespace orvane::test {

// The document of JSON text that a test writes itself; a parse failure fails the test and gives
// a null document.
JsonDocument parsed(std::string_view text);

// Whether the text is a UUID in the 36-character upper-case form.
bool isUpperCaseUUID(std::string_view text);

} // namespace orvane::test
