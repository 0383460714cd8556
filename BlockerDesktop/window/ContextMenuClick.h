#pragma once

#include <gdk/gdk.h>
#include <gtkmm/gestureclick.h>

namespace orvane::desktop {

// Whether the press `click` reports asks for a row's context menu: the secondary button, or the
// primary one with Control held.
inline bool asksForContextMenu(Gtk::GestureClick& click) {
    const guint button = click.get_current_button();
    const bool control = (click.get_current_event_state() & Gdk::ModifierType::CONTROL_MASK) ==
                         Gdk::ModifierType::CONTROL_MASK;
    return button == GDK_BUTTON_SECONDARY || (button == GDK_BUTTON_PRIMARY && control);
}

} // namespace orvane::desktop
