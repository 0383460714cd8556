#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

namespace orvane {
namespace {

bool fail(std::string* error, const std::string& what) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(errno);
    }
    return false;
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view contents, std::string* error,
                         Flush flush) {
    return writeFileAtomically(path, [contents](const PieceWriter& write) { return write(contents); }, error, flush);
}

bool writeFileAtomically(const std::filesystem::path& path, const std::function<bool(const PieceWriter&)>& produce,
                         std::string* error, Flush flush) {
    std::error_code ec;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) {
            if (error != nullptr) {
                *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
            }
            return false;
        }
    }
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return fail(error, "cannot create a temporary file beside " + path.string());
    }
    ::fchmod(fd, 0644);
    const auto abandon = [&] {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    };
    bool writeFailed = false;
    const PieceWriter write = [&](std::string_view piece) {
        while (!writeFailed && !piece.empty()) {
            const ssize_t written = ::write(fd, piece.data(), piece.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                fail(error, "cannot write " + path.string());
                writeFailed = true;
                break;
            }
            piece.remove_prefix(static_cast<std::size_t>(written));
        }
        return !writeFailed;
    };
    if (!produce(write) || writeFailed) {
        if (!writeFailed && error != nullptr) {
            *error = "the contents of " + path.string() + " could not be made";
        }
        return abandon();
    }
    if (flush == Flush::ToDisk && ::fsync(fd) != 0) {
        fail(error, "cannot flush " + path.string());
        return abandon();
    }
    if (::close(fd) != 0) {
        fail(error, "cannot close " + path.string());
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        fail(error, "cannot replace " + path.string());
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string* error) {
    // O_NONBLOCK and the type check: a FIFO or a device (/dev/zero) in a file's place must
    // neither make the reader wait nor feed it without end.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        fail(error, "cannot open " + path.string());
        return std::nullopt;
    }
    struct stat info {};
    std::string contents;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (error != nullptr) {
            *error = path.string() + " is not a regular file";
        }
        ::close(fd);
        return std::nullopt;
    }
    if (info.st_size > 0) {
        contents.reserve(static_cast<std::size_t>(info.st_size));
    }
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            fail(error, "cannot read " + path.string());
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        contents.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return contents;
}

} // namespace orvane
