#include "XInput.h"

#include "DesktopHarness.h"

#include <gdk/x11/gdkx.h>
#include <gtk/gtk.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace orvane::test {
namespace {

Display* displayOf(Gtk::Widget& widget) { return gdk_x11_display_get_xdisplay(widget.get_display()->gobj()); }

void withControl(Display* display, bool control, bool down) {
    if (control) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Control_L), down, CurrentTime);
    }
}

// Clicks further apart than the double-click time, so that two clicks of a test are never one
// double click.
void waitOutDoubleClick() {
    static std::chrono::steady_clock::time_point last;
    const auto due = last + std::chrono::milliseconds(500);
    if (const auto now = std::chrono::steady_clock::now(); now < due) {
        pumpUntil([] { return false; }, std::chrono::duration_cast<std::chrono::milliseconds>(due - now));
    }
    last = std::chrono::steady_clock::now();
}

} // namespace

void xClickAt(Gtk::Widget& widget, double x, double y, Pointer pointer) {
    // Where the widget is once what was asked before has been laid out.
    settle();
    waitOutDoubleClick();
    auto* window = dynamic_cast<Gtk::Window*>(widget.get_root());
    ASSERT_NE(window, nullptr);
    Display* display = displayOf(widget);
    double surfaceX = 0;
    double surfaceY = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(window->gobj()), &surfaceX, &surfaceY);
    double windowX = 0;
    double windowY = 0;
    widget.translate_coordinates(*window, x, y, windowX, windowY);
    ::Window child = 0;
    int rootX = 0;
    int rootY = 0;
    XTranslateCoordinates(display, gdk_x11_surface_get_xid(window->get_surface()->gobj()), DefaultRootWindow(display),
                          int(windowX + surfaceX), int(windowY + surfaceY), &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XFlush(display);
    settle();
    withControl(display, pointer.control, true);
    for (int i = 0; i < pointer.clicks; ++i) {
        XTestFakeButtonEvent(display, unsigned(pointer.button), True, CurrentTime);
        XTestFakeButtonEvent(display, unsigned(pointer.button), False, CurrentTime);
    }
    withControl(display, pointer.control, false);
    XFlush(display);
    settle();
}

void xClick(Gtk::Widget& widget, Pointer pointer) {
    xClickAt(widget, widget.get_width() / 2.0, widget.get_height() / 2.0, pointer);
}

void xKey(Gtk::Window& window, unsigned long keysym, bool control) {
    Display* display = displayOf(window);
    const KeyCode code = XKeysymToKeycode(display, keysym);
    withControl(display, control, true);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    withControl(display, control, false);
    XFlush(display);
    settle();
}

} // namespace orvane::test
