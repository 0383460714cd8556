#pragma once

#include <filesystem>
#include <string>

namespace orvane {

// An advisory lock (flock) on a lock file, held while the object lives. flock locks belong to
// an open file, and every FileLock opens the lock file anew, so two FileLocks exclude each
// other whether they live in two processes or in two threads of one.
class FileLock {
public:
    enum class Mode { exclusive, shared };
    enum class Status {
        held,
        busy,  // another holder excludes this one (only when not waiting)
        failed // the lock file could not be opened or locked; error() says why
    };

    // Creates the lock file when it is missing; its folder must exist. With `wait`, blocks
    // until the lock is held; otherwise answers at once.
    FileLock(const std::filesystem::path& lockFile, Mode mode, bool wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    Status status() const { return status_; }
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    Status status_ = Status::failed;
    std::string error_;
};

} // namespace orvane
