#pragma once

#include "cloud/CloudError.h"
#include "cloud/CloudRecord.h"

#include <cstddef>
#include <optional>
#include <string>

namespace orvane {

// The largest stored form of one record's values.
inline constexpr std::size_t kMaximumRecordSize = 1024 * 1024;

// Why the store refuses a zone name (code 12), or absent when it takes it. Custom zones may not
// use the reserved leading underscore.
std::optional<CloudError> zoneNameError(const std::string& zoneName, bool custom);

// Why the store refuses a record to save (code 12, or 27 when too large), or absent.
std::optional<CloudError> recordError(const CloudRecord& record);

} // namespace orvane
