#pragma once

#include "model/Records.h"
#include "storage/StorageError.h"

#include <filesystem>
#include <string_view>

namespace orvane {

// The file type of exported and imported package files.
inline constexpr std::string_view kPackageFileExtension = "orvanepkg";

// The path with ".orvanepkg" appended unless it already ends so, as a file chooser limited to
// package files completes a name.
std::filesystem::path withPackageFileExtension(std::filesystem::path path);

// Writes the package alone as a package file (a one-package list), replacing any file at `path`
// in one step. A failed write tells the user (a warning) and answers why.
StorageResult exportPackage(const Package& package, const std::filesystem::path& path);

} // namespace orvane
