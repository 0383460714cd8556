#pragma once

#include "platform/FileVersion.h"

#include <rapidjson/rapidjson.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace orvane {

// A regular file read in fixed-size chunks as a RapidJSON input stream, so large files are
// parsed without holding their text. Past the end (or after a read error) Peek answers NUL.
class JsonFileStream {
public:
    using Ch = char;

    explicit JsonFileStream(const std::filesystem::path& path);
    ~JsonFileStream();
    JsonFileStream(const JsonFileStream&) = delete;
    JsonFileStream& operator=(const JsonFileStream&) = delete;

    // A UTF-8 byte-order mark at the start is skipped.
    // False when the file could not be opened or read, or is not a regular file; `error` says why.
    bool good() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    // Whether every byte of the file has been taken. After a parse stops at a NUL byte inside
    // the file this is false, which is how such files are told from well-formed ones.
    bool atEnd() const { return current_ == end_ && finished_; }
    // The version of the file this stream reads (see FileVersion), whatever replaced it since.
    const FileIdentity& identity() const { return identity_; }

    // The byte after the data read is always a NUL, so Peek needs no bounds check.
    Ch Peek() const { return *current_; }
    Ch Take() {
        const Ch c = *current_;
        if (++current_ >= end_) {
            refill();
        }
        return c;
    }
    std::size_t Tell() const { return taken_ + static_cast<std::size_t>(current_ - buffer_.get()); }

    // Output half of the stream concept, unused by a reader that does not parse in place.
    Ch* PutBegin() {
        RAPIDJSON_ASSERT(false);
        return nullptr;
    }
    void Put(Ch) { RAPIDJSON_ASSERT(false); }
    void Flush() { RAPIDJSON_ASSERT(false); }
    std::size_t PutEnd(Ch*) {
        RAPIDJSON_ASSERT(false);
        return 0;
    }

private:
    void refill();

    static constexpr std::size_t kChunkSize = 64 * 1024;

    int fd_ = -1;
    std::string path_;
    std::string error_;
    std::unique_ptr<Ch[]> buffer_;
    Ch* current_ = nullptr;
    Ch* end_ = nullptr;
    std::size_t taken_ = 0; // bytes of the chunks before the current one
    bool finished_ = false;
    FileIdentity identity_;
};

} // namespace orvane
