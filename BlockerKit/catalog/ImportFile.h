#pragma once

#include "model/Records.h"
#include "model/SkippedRules.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Far above any real package file; larger files are refused before they are read.
inline constexpr std::uintmax_t kMaxImportFileSize = 64 * 1024 * 1024;

// What a file opened for import holds.
struct ImportFileContents {
    // The packages of a package file; none when nothing in it decodes as a package, which
    // includes text that is not JSON, not valid UTF-8 or nested too deeply.
    std::vector<Package> packages;
    // The readable entries, in order, when the file is a plain content-blocker list instead
    // (whatever its extension); `packages` is then empty.
    std::optional<std::vector<Blocker>> contentBlockerList;
    // The rules or entries that could not be read, and those WebKit would refuse (RuleRejection.h),
    // which are left out as well.
    SkippedRules skipped;
};

// Absent when the file cannot be read (no regular file, too large, a read error).
std::optional<ImportFileContents> readImportFile(const std::filesystem::path& path);

// An import's message, followed by what the reading skipped when it skipped something.
std::string importMessage(std::string message, const SkippedRules& skipped);

// Takes the imported file away from its place: into the Trash, or, where its file system has
// none, deleted. Only a regular file is touched; failures are logged.
void discardImportFile(const std::filesystem::path& path);

} // namespace orvane
