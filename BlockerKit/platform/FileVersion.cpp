#include "platform/FileVersion.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileIdentity identityOf(const struct stat& status) {
    FileIdentity identity;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.size = status.st_size;
    identity.modifiedNanoseconds = nanoseconds(status.st_mtim);
    identity.changedNanoseconds = nanoseconds(status.st_ctim);
    return identity;
}

FileIdentity failedIdentity(int error) {
    FileIdentity identity;
    identity.statError = error;
    return identity;
}

std::string describe(const std::filesystem::path& path, const char* what, int error) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

} // namespace

bool FileIdentity::missing() const { return statError == ENOENT || statError == ENOTDIR; }

FileIdentity fileIdentity(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return failedIdentity(errno);
    }
    return identityOf(status);
}

FileIdentity fileIdentity(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return failedIdentity(errno);
    }
    return identityOf(status);
}

FileVersion readFileVersion(const std::filesystem::path& path) {
    FileVersion version;
    // O_NONBLOCK: a FIFO in the file's place must not make the reader wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        version.identity = failedIdentity(errno);
        version.error = describe(path, "cannot open", errno);
        return version;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        version.identity = failedIdentity(errno);
        version.error = describe(path, "cannot inspect", errno);
        ::close(fd);
        return version;
    }
    version.identity = identityOf(status);
    if (!S_ISREG(status.st_mode)) {
        version.error = path.string() + " is not a regular file";
        ::close(fd);
        return version;
    }
    std::string contents;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) {
            version.contents = std::move(contents);
            break;
        }
        if (count > 0) {
            contents.append(buffer, static_cast<std::size_t>(count));
        } else if (errno != EINTR) {
            version.error = describe(path, "cannot read", errno);
            break;
        }
    }
    ::close(fd);
    return version;
}

} // namespace orvane
