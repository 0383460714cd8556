#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace orvane {

// Reports changes of the entries of one folder by their names, on the main thread (the default
// GLib main context). A rename inside the folder reports both names. Files replaced by rename
// are only seen this way: a watch on the file itself would stay with the old, unlinked inode.
class DirectoryWatch {
public:
    using Handler = std::function<void(const std::string& name)>;

    // Watching starts at once when the calling thread can take the main context, otherwise at
    // the main context's next iteration. The folder must exist by then.
    DirectoryWatch(std::filesystem::path directory, Handler handler);
    // No report starts after this returns; one already running on the main thread may finish.
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace orvane
