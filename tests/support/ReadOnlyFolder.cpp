#include "support/ReadOnlyFolder.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>

namespace orvane::test {
namespace {

bool setImmutable(const std::filesystem::path& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

bool canCreateIn(const std::filesystem::path& folder) {
    const auto probe = folder / ".write-probe";
    const bool created = std::ofstream(probe).good();
    std::error_code error;
    std::filesystem::remove(probe, error);
    return created;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    if (::geteuid() == 0) {
        immutable_ = setImmutable(folder_, true);
    } else {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    }
    holds_ = !canCreateIn(folder_);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (immutable_) {
        setImmutable(folder_, false);
    } else {
        std::error_code error;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add,
                                     error);
    }
}

} // namespace orvane::test
