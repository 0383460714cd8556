#include "platform/JsonFileStream.h"

#include "platform/FileVersion.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

JsonFileStream::JsonFileStream(const std::filesystem::path& path)
    : path_(path.string()), buffer_(std::make_unique<Ch[]>(kChunkSize + 1)) {
    current_ = end_ = buffer_.get();
    *buffer_.get() = '\0';
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type check below refuses it.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        error_ = "cannot open " + path_ + ": " + std::strerror(errno);
        finished_ = true;
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = path_ + " is not a regular file";
        finished_ = true;
        return;
    }
    identity_ = orvane::fileIdentity(fd_);
    refill();
    // Editors on some systems start UTF-8 text with a byte-order mark; it is no part of the JSON.
    if (end_ - current_ >= 3 && current_[0] == '\xEF' && current_[1] == '\xBB' && current_[2] == '\xBF') {
        current_ += 3;
        if (current_ >= end_) {
            refill();
        }
    }
}

JsonFileStream::~JsonFileStream() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void JsonFileStream::refill() {
    if (current_ > end_) { // taken past the end: stay on the final NUL
        current_ = end_;
    }
    if (current_ < end_ || finished_) {
        return;
    }
    taken_ += static_cast<std::size_t>(end_ - buffer_.get());
    current_ = end_ = buffer_.get();
    for (;;) {
        const ssize_t count = ::read(fd_, buffer_.get(), kChunkSize);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error_ = "cannot read " + path_ + ": " + std::strerror(errno);
        }
        if (count <= 0) {
            *buffer_.get() = '\0';
            finished_ = true;
            return;
        }
        end_ = buffer_.get() + count;
        *end_ = '\0';
        return;
    }
}

} // namespace orvane
