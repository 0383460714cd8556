#pragma once

#include <gtkmm/widget.h>
#include <gtkmm/window.h>

namespace orvane::test {

// Real input through the X server (XTest), as a user's mouse and keyboard give it.
struct Pointer {
    int button = 1;
    bool control = false;
    int clicks = 1;
};

// Clicks the middle of `widget` (or the point x, y of it) in its window and lets the window take it in.
void xClick(Gtk::Widget& widget, Pointer pointer = {});
void xClickAt(Gtk::Widget& widget, double x, double y, Pointer pointer = {});
// Presses and releases a key (a KeySym) in the focused window, with Control when asked.
void xKey(Gtk::Window& window, unsigned long keysym, bool control = false);

} // namespace orvane::test
