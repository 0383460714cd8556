#include "platform/SerialQueue.h"

#include <thread>

namespace orvane {

SerialQueue::SerialQueue(std::string label) : state_(std::make_shared<State>()) {
    state_->label = std::move(label);
}

const std::string& SerialQueue::label() const { return state_->label; }

void SerialQueue::async(std::function<void()> work) {
    std::lock_guard lock(state_->mutex);
    state_->work.push_back(std::move(work));
    if (!state_->draining) {
        state_->draining = true;
        std::thread([state = state_] { drain(state); }).detach();
    }
}

void SerialQueue::waitUntilIdle() const {
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [this] { return !state_->draining; });
}

bool SerialQueue::isIdle() const {
    std::lock_guard lock(state_->mutex);
    return !state_->draining;
}

void SerialQueue::drain(const std::shared_ptr<State>& state) {
    std::unique_lock lock(state->mutex);
    while (!state->work.empty()) {
        auto work = std::move(state->work.front());
        state->work.pop_front();
        lock.unlock();
        work();
        // Released outside the lock: the work may hold the last reference to the queue's owner.
        work = nullptr;
        lock.lock();
    }
    state->draining = false;
    state->idle.notify_all();
}

} // namespace orvane
