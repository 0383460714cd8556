#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane {

// A unit of work for an OperationQueue. Cancellation is cooperative: the queue runs every
// operation it holds, and an operation reads isCancelled() where it can stop.
class Operation {
public:
    virtual ~Operation() = default;

    virtual void main() = 0;

    void cancel() { cancelled_.store(true); }
    bool isCancelled() const { return cancelled_.load(); }
    bool isFinished() const { return finished_.load(); }

private:
    friend class OperationQueue;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
};

// An operation made of a function; the function may look at its operation's cancelled flag.
class BlockOperation final : public Operation {
public:
    explicit BlockOperation(std::function<void(const Operation&)> work) : work_(std::move(work)) {}
    void main() override { work_(*this); }

private:
    std::function<void(const Operation&)> work_;
};

// Runs operations on its own worker threads, at most `width` at a time, in the order added.
// Destroying the queue cancels what is pending and waits for everything it holds to finish.
class OperationQueue {
public:
    OperationQueue(std::string name, std::size_t width);
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    const std::string& name() const { return name_; }

    void addOperation(std::shared_ptr<Operation> operation);
    std::shared_ptr<Operation> addOperation(std::function<void(const Operation&)> work);

    // Marks every pending and running operation cancelled; they still run (see Operation).
    void cancelAllOperations();
    // Blocks until the queue holds nothing.
    void waitUntilAllOperationsAreFinished();
    // Pending and running operations.
    std::size_t operationCount() const;

private:
    void workerLoop();

    const std::string name_;
    const std::size_t width_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Operation>> pending_;
    std::vector<std::shared_ptr<Operation>> running_;
    // Added and not yet run and released; what the waits wait for.
    std::size_t unfinished_ = 0;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

} // namespace orvane
