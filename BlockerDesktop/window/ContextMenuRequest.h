#pragma once

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>
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

// Whether a key press asks for the focused row's context menu: the Menu key, or Shift+F10.
inline bool asksForContextMenu(guint key, Gdk::ModifierType state) {
    const bool shift = (state & Gdk::ModifierType::SHIFT_MASK) == Gdk::ModifierType::SHIFT_MASK;
    return key == GDK_KEY_Menu || (key == GDK_KEY_F10 && shift);
}

} // namespace orvane::desktop
