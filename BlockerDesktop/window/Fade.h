#pragma once

#include "window/Clock.h"

#include <gtkmm/widget.h>

#include <functional>
#include <memory>

namespace orvane::desktop {

// Animates one widget's opacity on a clock, a step per drawn frame. A widget that is not on
// screen (no frames are drawn for it) jumps to the end. The completion runs once, after the
// call returns, unless the fade is replaced or destroyed first.
class Fade {
public:
    Fade(Gtk::Widget& widget, std::shared_ptr<Clock> clock);
    ~Fade();
    Fade(const Fade&) = delete;
    Fade& operator=(const Fade&) = delete;

    // Fades from the widget's opacity now to `target`; replaces a fade still running.
    void start(double target, Clock::Duration duration, std::function<void()> completion = nullptr);
    bool isRunning() const { return running_; }

private:
    bool step();
    void finish();
    void finishLater();
    void stopTicking();

    Gtk::Widget& widget_;
    std::shared_ptr<Clock> clock_;
    double from_ = 0;
    double to_ = 0;
    Clock::Duration begin_{};
    Clock::Duration duration_{};
    std::function<void()> completion_;
    bool running_ = false;
    guint tick_ = 0;
    // Tells a deferred finish of an earlier start from the current one.
    unsigned generation_ = 0;
    sigc::connection unmapped_;
    // Finishing later must not outlive the fade.
    std::shared_ptr<Fade*> self_ = std::make_shared<Fade*>(this);
};

} // namespace orvane::desktop
