#include "platform/BoundedRead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

std::optional<std::string> refuse(std::string* error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return std::nullopt;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                           std::string* error) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type check below refuses it.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) {
        return refuse(error, "cannot open " + path.string() + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return refuse(error, "cannot inspect " + path.string() + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return refuse(error, path.string() + " is not a regular file");
    }
    const std::string tooLarge = path.string() + " is larger than " + std::to_string(maxBytes) + " bytes";
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        return refuse(error, tooLarge);
    }
    std::string contents;
    contents.resize(static_cast<std::size_t>(info.st_size));
    std::size_t used = 0;
    // The file may grow while it is read: read on past its size, one byte beyond the limit at most.
    while (true) {
        if (used == contents.size()) {
            if (contents.size() > maxBytes) {
                return refuse(error, tooLarge);
            }
            const std::size_t grown = std::max<std::size_t>(contents.size() * 2, 4096);
            contents.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(grown, maxBytes + 1)));
        }
        const ssize_t count = ::read(file.get(), contents.data() + used, contents.size() - used);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return refuse(error, "cannot read " + path.string() + ": " + std::strerror(errno));
        }
        if (count == 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    contents.resize(used);
    return contents;
}

} // namespace orvane
