#include "panes/PaneWindows.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/shortcutcontroller.h>

namespace orvane::desktop {

void closeOnEscape(Gtk::Window& window) {
    auto controller = Gtk::ShortcutController::create();
    controller->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(GDK_KEY_Escape),
                                                   Gtk::NamedAction::create("window.close")));
    window.add_controller(controller);
}

} // namespace orvane::desktop
