#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Writes `contents` to a temporary file in the same folder, flushes it to disk and renames it
// over `path`: readers see the old file or the new one, never a part, and a failed write leaves
// the old file as it was. Creates missing parent folders. On failure answers false and, when
// given, sets `error` to a description.
// `Flush::ToDisk` also waits for the data to reach the disk before the rename, so a power loss
// cannot leave an empty file either; files that are rebuilt anyway may skip that wait.
enum class Flush { ToDisk, ToKernel };
bool writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         std::string* error = nullptr, Flush flush = Flush::ToDisk);

// The same for contents made piece by piece, so a large file needs no buffer of its size:
// `produce` hands each piece to the writer it is given (which answers false once writing failed)
// and answers whether it made the whole contents; only then does the file replace `path`.
using PieceWriter = std::function<bool(std::string_view piece)>;
bool writeFileAtomically(const std::filesystem::path& path, const std::function<bool(const PieceWriter&)>& produce,
                         std::string* error = nullptr, Flush flush = Flush::ToDisk);

// The whole regular file, or absent when it cannot be read or is something else (a FIFO, a
// device; `error` then says why, when given). Never waits on a FIFO.
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string* error = nullptr);

} // namespace orvane
