#pragma once

#include <memory>

namespace orvane {

class FileLock;

// Serialises the changes of one home's files between every process and thread that shares it
// (the application, orvanectl, a watch, the browser extension's signals): package files, the
// switches and the compiled list are changed as read-modify-writes of what the disk holds while
// it is held. One lock file in the shared container. A thread that holds it may take it again.
class HomeLock {
public:
    HomeLock();
    ~HomeLock();
    HomeLock(const HomeLock&) = delete;
    HomeLock& operator=(const HomeLock&) = delete;

private:
    std::unique_ptr<FileLock> lock_; // null when this thread held it already
};

} // namespace orvane
