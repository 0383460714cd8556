#pragma once

#include "window/Clock.h"
#include "window/Fade.h"

#include <gtkmm/overlay.h>

#include <functional>
#include <map>
#include <memory>

namespace orvane::desktop {

// Presents a pane over another one: the pane is laid over the whole of the other one, starting
// transparent, and fades in; dismissing fades it out and takes it away. Half a second each way.
class CustomAnimator {
public:
    static constexpr auto kDuration = std::chrono::milliseconds(500);

    explicit CustomAnimator(std::shared_ptr<Clock> clock = Clock::mainLoop()) : clock_(std::move(clock)) {}

    // Runs when a fade ends.
    std::function<void()> completion;

    // `over` holds the presenting pane as its child; `presented` must not be in a parent yet.
    void animatePresentation(Gtk::Widget& presented, Gtk::Overlay& over);
    void animateDismissal(Gtk::Widget& presented, Gtk::Overlay& over);

private:
    std::shared_ptr<Clock> clock_;
    std::map<Gtk::Widget*, std::unique_ptr<Fade>> fades_;
};

} // namespace orvane::desktop
