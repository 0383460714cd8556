#pragma once

#include <gtkmm/window.h>

namespace orvane::desktop {

// Escape closes the pane's window, as it would a dialog.
void closeOnEscape(Gtk::Window& window);

} // namespace orvane::desktop
