#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvane {

// The single instances of a process belong to the home (and cloud) they were made for: one per
// key, made on first use and kept until the process ends. A process that moves to another
// ORVANE_HOME, as a test binary does between its cases, gets fresh ones for it, while
// references to the earlier ones stay valid. A running application has one home, so one of each.
template <typename T>
class HomeInstances {
public:
    template <typename Make>
    std::shared_ptr<T> get(const std::string& key, Make make) {
        std::lock_guard lock(mutex_);
        auto& slot = instances_[key];
        if (!slot) {
            slot = make();
        }
        return slot;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<T>> instances_;
};

} // namespace orvane
