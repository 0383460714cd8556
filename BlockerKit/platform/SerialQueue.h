#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace orvane {

// Runs submitted work one item at a time, in submission order, off the calling thread. Unlike
// OperationQueue it owns no long-lived thread: a short-lived worker drains the queue and ends,
// so work may safely hold (and release) the last reference to the queue's owner.
class SerialQueue {
public:
    explicit SerialQueue(std::string label);

    const std::string& label() const;
    void async(std::function<void()> work);
    // Blocks until everything submitted before the call has run.
    void waitUntilIdle() const;
    // Nothing submitted is waiting or running.
    bool isIdle() const;

private:
    struct State {
        std::string label;
        std::mutex mutex;
        std::condition_variable idle;
        std::deque<std::function<void()>> work;
        bool draining = false;
    };
    static void drain(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

} // namespace orvane
