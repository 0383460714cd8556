#include "platform/FileLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {

FileLock::FileLock(const std::filesystem::path& lockFile, Mode mode, bool wait) {
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = "cannot open " + lockFile.string() + ": " + std::strerror(errno);
        return;
    }
    const int operation = (mode == Mode::exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
    int result = 0;
    do {
        result = ::flock(fd_, operation);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        status_ = Status::held;
        return;
    }
    if (errno == EWOULDBLOCK) {
        status_ = Status::busy;
    } else {
        error_ = "cannot lock " + lockFile.string() + ": " + std::strerror(errno);
    }
    ::close(fd_);
    fd_ = -1;
}

// Closing the only descriptor of the open file drops the lock.
FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace orvane
