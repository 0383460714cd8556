#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace orvane {

// Tells versions of a file apart without reading it, for files that are only ever replaced by
// rename (see writeFileAtomically): every version is a new inode, and the inode with its size
// and times changes with each replacement even when the clock is too coarse to show it.
struct FileIdentity {
    int statError = 0; // 0 when the file exists; ENOENT (or ENOTDIR) when it does not
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool missing() const;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity fileIdentity(const std::filesystem::path& path);
// The identity of the file an open descriptor reads.
FileIdentity fileIdentity(int fd);

struct FileVersion {
    FileIdentity identity;
    std::optional<std::string> contents; // absent when the file is missing or unreadable
    std::string error;                   // why it could not be read
};

// Reads the contents and the identity through one open file, so that both belong to the same
// version even while another process replaces the file.
FileVersion readFileVersion(const std::filesystem::path& path);

} // namespace orvane
