#include "window/Clock.h"

#include "platform/MainQueue.h"

#include <glib.h>

namespace orvane::desktop {
namespace {

class MainLoopClock final : public Clock {
public:
    Duration now() const override { return Duration(g_get_monotonic_time()); }
    void runAfter(Duration delay, std::function<void()> work) override {
        runOnMainAfter(std::chrono::duration_cast<std::chrono::milliseconds>(delay), std::move(work));
    }
};

} // namespace

std::shared_ptr<Clock> Clock::mainLoop() {
    static const std::shared_ptr<Clock> clock = std::make_shared<MainLoopClock>();
    return clock;
}

} // namespace orvane::desktop
