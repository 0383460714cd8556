// With a message over the window, real input (XTest on the X server) reaches nothing under it.

#include "DesktopHarness.h"

#include <gdk/x11/gdkx.h>
#include <gtkmm/adjustment.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/eventcontrollerlegacy.h>
#include <gtkmm/scrolledwindow.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Sends input to the X server the way a user's devices do, and counts what reached the window.
class XInput {
public:
    explicit XInput(Gtk::Window& window) : window_(window) {
        auto events = Gtk::EventControllerLegacy::create();
        events->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
        events->signal_event().connect(
            [this](const Glib::RefPtr<const Gdk::Event>& event) {
                switch (event->get_event_type()) {
                case Gdk::Event::Type::BUTTON_RELEASE: ++releases_; break;
                case Gdk::Event::Type::SCROLL: ++scrolls_; break;
                case Gdk::Event::Type::KEY_RELEASE: ++keys_; break;
                default: break;
                }
                return false;
            },
            false);
        window.add_controller(events);
        display_ = gdk_x11_display_get_xdisplay(window.get_display()->gobj());
    }

    void click(Gtk::Widget& widget) {
        pointAt(widget);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        wait(releases_);
    }
    void scrollDown(Gtk::Widget& widget, int notches) {
        pointAt(widget);
        for (int i = 0; i < notches; ++i) {
            XTestFakeButtonEvent(display_, 5, True, CurrentTime);
            XTestFakeButtonEvent(display_, 5, False, CurrentTime);
        }
        wait(scrolls_);
    }
    void press(KeySym key) {
        const KeyCode code = XKeysymToKeycode(display_, key);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        wait(keys_);
    }

private:
    void pointAt(Gtk::Widget& widget) {
        double surfaceX = 0;
        double surfaceY = 0;
        gtk_native_get_surface_transform(GTK_NATIVE(window_.gobj()), &surfaceX, &surfaceY);
        double x = 0;
        double y = 0;
        widget.translate_coordinates(window_, widget.get_width() / 2.0, widget.get_height() / 2.0, x, y);
        ::Window child = 0;
        int rootX = 0;
        int rootY = 0;
        XTranslateCoordinates(display_, gdk_x11_surface_get_xid(window_.get_surface()->gobj()),
                              DefaultRootWindow(display_), int(x + surfaceX), int(y + surfaceY), &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
        XFlush(display_);
        settle();
    }
    void wait(int& counter) {
        const int before = counter;
        XFlush(display_);
        EXPECT_TRUE(pumpUntil([&] { return counter > before; }));
        settle();
    }

    Gtk::Window& window_;
    Display* display_;
    int releases_ = 0;
    int scrolls_ = 0;
    int keys_ = 0;
};

using ShieldTest = DesktopTest;

} // namespace

TEST_F(ShieldTest, WithAMessageShownClicksScrollsAndKeysReachNothingBelowIt) {
    markLaunchedBefore();
    RunningApp running;
    auto& controller = running.controller();

    // Something to click and scroll in the detail pane.
    auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
    scroller->set_vexpand(true);
    auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL);
    column->set_size_request(-1, 4000);
    auto* target = Gtk::make_managed<Gtk::Button>("Target");
    target->set_valign(Gtk::Align::START);
    int clicks = 0;
    target->signal_clicked().connect([&clicks] { ++clicks; });
    column->append(*target);
    scroller->set_child(*column);
    controller.detailPane().append(*scroller);
    settle();
    XInput input(running.window());
    auto scrolled = [&] { return scroller->get_vadjustment()->get_value(); };

    // Without a message, the same input does reach it.
    input.click(*target);
    EXPECT_EQ(clicks, 1);
    input.scrollDown(*target, 3);
    EXPECT_TRUE(pumpUntil([&] { return scrolled() > 0; }));
    scroller->get_vadjustment()->set_value(0);
    target->grab_focus();
    input.press(XK_space);
    EXPECT_EQ(clicks, 2);

    target->grab_focus();
    controller.showModalMessage("Look here", "OK", false, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; }));
    settle();
    input.click(*target);
    input.scrollDown(*target, 3);
    settle();
    // Neither the program nor the keyboard can bring the focus back to it.
    EXPECT_FALSE(target->grab_focus());
    for (int i = 0; i < 4; ++i) {
        input.press(XK_Tab);
        EXPECT_FALSE(target->has_focus());
    }
    input.press(XK_space);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(scrolled(), 0);
    EXPECT_FALSE(target->has_focus());
}
