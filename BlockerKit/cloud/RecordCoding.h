#pragma once

#include "cloud/CloudRecord.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

// The stored form of a record's values: JSON text that keeps the key order and every value's
// type. Encoding is absent when a string is not valid UTF-8 or a number is not finite;
// decoding when the text is not such a list.
std::optional<std::string> encodeRecordFields(const RecordFields& fields);
std::optional<RecordFields> decodeRecordFields(std::string_view text);

} // namespace orvane
