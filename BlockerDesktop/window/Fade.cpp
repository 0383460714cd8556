#include "window/Fade.h"

#include <algorithm>

namespace orvane::desktop {

Fade::Fade(Gtk::Widget& widget, std::shared_ptr<Clock> clock) : widget_(widget), clock_(std::move(clock)) {}

Fade::~Fade() {
    stopTicking();
    unmapped_.disconnect();
}

void Fade::start(double target, Clock::Duration duration, std::function<void()> completion) {
    stopTicking();
    unmapped_.disconnect();
    ++generation_;
    from_ = widget_.get_opacity();
    to_ = target;
    begin_ = clock_->now();
    duration_ = duration;
    completion_ = std::move(completion);
    running_ = true;
    if (!widget_.get_mapped() || duration <= Clock::Duration::zero()) {
        // Nothing will be drawn for it: finish on the next turn, as a drawn fade would.
        finishLater();
        return;
    }
    tick_ = widget_.add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>&) { return step(); });
    // A window hidden halfway stops drawing; the fade must still end.
    unmapped_ = widget_.signal_unmap().connect([this] {
        if (running_ && tick_ != 0) {
            stopTicking();
            widget_.set_opacity(to_);
            finishLater();
        }
    });
}

bool Fade::step() {
    const double progress =
        duration_.count() > 0 ? std::clamp(double((clock_->now() - begin_).count()) / double(duration_.count()), 0.0, 1.0)
                              : 1.0;
    if (progress >= 1.0) {
        // The tick source goes away when this answers false. The completion may remove the
        // widget, which must not happen inside the widget's own frame callback.
        tick_ = 0;
        widget_.set_opacity(to_);
        finishLater();
        return false;
    }
    widget_.set_opacity(from_ + (to_ - from_) * progress);
    return true;
}

void Fade::finishLater() {
    clock_->runAfter(Clock::Duration::zero(), [weak = std::weak_ptr<Fade*>(self_), generation = ++generation_] {
        if (auto self = weak.lock(); self && (*self)->running_ && (*self)->generation_ == generation) {
            (*self)->finish();
        }
    });
}

void Fade::finish() {
    stopTicking();
    unmapped_.disconnect();
    widget_.set_opacity(to_);
    running_ = false;
    if (auto completion = std::move(completion_)) {
        completion_ = nullptr;
        completion();
    }
}

void Fade::stopTicking() {
    if (tick_ != 0) {
        widget_.remove_tick_callback(tick_);
        tick_ = 0;
    }
}

} // namespace orvane::desktop
