#include "platform/OperationQueue.h"

#include <algorithm>

namespace orvane {

OperationQueue::OperationQueue(std::string name, std::size_t width)
    : name_(std::move(name)), width_(std::max<std::size_t>(width, 1)) {
    workers_.reserve(width_);
    for (std::size_t i = 0; i < width_; ++i) {
        workers_.emplace_back([this] { workerLoop(); });
    }
}

OperationQueue::~OperationQueue() {
    cancelAllOperations();
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return unfinished_ == 0; });
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers_) {
        worker.join();
    }
}

void OperationQueue::addOperation(std::shared_ptr<Operation> operation) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(operation));
        ++unfinished_;
    }
    changed_.notify_all();
}

std::shared_ptr<Operation> OperationQueue::addOperation(std::function<void(const Operation&)> work) {
    auto operation = std::make_shared<BlockOperation>(std::move(work));
    addOperation(operation);
    return operation;
}

void OperationQueue::cancelAllOperations() {
    std::lock_guard lock(mutex_);
    for (auto& operation : pending_) {
        operation->cancel();
    }
    for (auto& operation : running_) {
        operation->cancel();
    }
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return unfinished_ == 0; });
}

std::size_t OperationQueue::operationCount() const {
    std::lock_guard lock(mutex_);
    return pending_.size() + running_.size();
}

void OperationQueue::workerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) {
            return; // stopping
        }
        auto operation = std::move(pending_.front());
        pending_.pop_front();
        running_.push_back(operation);
        lock.unlock();
        operation->main();
        operation->finished_.store(true);
        lock.lock();
        std::erase(running_, operation);
        // The last reference may be this one, and what an operation holds may call this queue
        // when it goes: release it without the lock, and only then count the operation done.
        lock.unlock();
        operation.reset();
        lock.lock();
        --unfinished_;
        changed_.notify_all();
    }
}

} // namespace orvane
