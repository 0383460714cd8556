#pragma once

#include <filesystem>
#include <string>

namespace orvane {

// Moves the file to the user's Trash (the freedesktop.org trash of its file system). Answers
// false where that is not possible, e.g. on file systems without a trash, and then sets `error`,
// when given, to GIO's description.
bool moveToTrash(const std::filesystem::path& path, std::string* error = nullptr);

} // namespace orvane
