#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace orvane::desktop {

// The time the window's animations and timed reveals follow. The application runs on the main
// loop's clock; a test drives a clock of its own, so a one-second step needs no waiting.
class Clock {
public:
    using Duration = std::chrono::microseconds;

    virtual ~Clock() = default;
    // Monotonic time now.
    virtual Duration now() const = 0;
    // Runs `work` once on the main thread after `delay`, never inside this call.
    virtual void runAfter(Duration delay, std::function<void()> work) = 0;

    // The main loop's clock, shared by every window of the process.
    static std::shared_ptr<Clock> mainLoop();
};

} // namespace orvane::desktop
