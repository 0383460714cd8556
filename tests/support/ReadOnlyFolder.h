#pragma once

#include <filesystem>

namespace orvane::test {

// Keeps files from being created, replaced or removed directly in a folder while it lives:
// the immutable flag for root (whom permissions do not stop), the write permission otherwise.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Whether the file system took it (some do not keep an immutable flag).
    bool holds() const { return holds_; }

private:
    std::filesystem::path folder_;
    bool immutable_ = false;
    bool holds_ = false;
};

} // namespace orvane::test
