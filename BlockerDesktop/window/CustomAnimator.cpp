#include "window/CustomAnimator.h"

namespace orvane::desktop {

void CustomAnimator::animatePresentation(Gtk::Widget& presented, Gtk::Overlay& over) {
    presented.set_opacity(0);
    presented.set_halign(Gtk::Align::FILL);
    presented.set_valign(Gtk::Align::FILL);
    over.add_overlay(presented);
    over.set_measure_overlay(presented, false);
    auto& fade = fades_[&presented];
    fade = std::make_unique<Fade>(presented, clock_);
    fade->start(1.0, kDuration, [this] {
        if (completion) {
            completion();
        }
    });
}

void CustomAnimator::animateDismissal(Gtk::Widget& presented, Gtk::Overlay& over) {
    auto& fade = fades_[&presented];
    if (!fade) {
        fade = std::make_unique<Fade>(presented, clock_);
    }
    fade->start(0.0, kDuration, [this, &presented, &over] {
        fades_.erase(&presented);
        over.remove_overlay(presented);
        if (completion) {
            completion();
        }
    });
}

} // namespace orvane::desktop
