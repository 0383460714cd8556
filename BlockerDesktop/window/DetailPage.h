#pragma once

#include <gtkmm/widget.h>

namespace orvane::desktop {

// What the detail pane (the right side of the split view) shows: the rule list of a package or
// a rule editor. The split view owns the page while it is shown.
class DetailPage {
public:
    virtual ~DetailPage() = default;
    virtual Gtk::Widget& widget() = 0;
    // The search field that Ctrl+F goes to while the page is shown, if it has one.
    virtual Gtk::Widget* searchField() { return nullptr; }
};

} // namespace orvane::desktop
