#pragma once

#include "model/Records.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace orvane {

// Far above any real package file; larger files are refused before they are read.
inline constexpr std::uintmax_t kMaxImportFileSize = 64 * 1024 * 1024;

// The packages of a file opened for import. Absent when it cannot be read (no regular file,
// too large, a read error); empty when nothing in it decodes as a package, which includes text
// that is not JSON, not valid UTF-8 or nested too deeply.
std::optional<std::vector<Package>> readImportFile(const std::filesystem::path& path);

// Takes the imported file away from its place: into the Trash, or, where its file system has
// none, deleted. Only a regular file is touched; failures are logged.
void discardImportFile(const std::filesystem::path& path);

} // namespace orvane
