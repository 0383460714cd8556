#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace orvane {

// The whole content of a regular file of at most `maxBytes` bytes. Anything else (no file, a
// folder, a pipe or device, a larger file, a read error) answers absent and, when given, sets
// `error` to why. Never blocks on a pipe and never holds more than `maxBytes` + 1 bytes, so
// untrusted paths are safe to hand in.
std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                           std::string* error = nullptr);

} // namespace orvane
