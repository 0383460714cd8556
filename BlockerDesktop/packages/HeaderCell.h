#pragma once

#include <gtkmm/box.h>
#include "window/BuiltScreen.h"

#include <gtkmm/label.h>

#include <string>

namespace orvane::desktop {

// A section's title in the package list (HeaderCell.ui); never selectable.
class HeaderCell {
public:
    HeaderCell();
    Gtk::Widget& widget() { return *root_; }
    Gtk::Label& headerLabel() { return *headerLabel_; }
    void configure(const std::string& title) { headerLabel_->set_text(title); }

private:
    BuiltScreen screen_;
    Gtk::Box* root_;
    Gtk::Label* headerLabel_;
};

// The add row at the end of the package list (AddNewPackage.ui): a label on a background, no
// behaviour of its own; selecting its row adds a package.
class AddNewPackage {
public:
    AddNewPackage();
    Gtk::Widget& widget() { return *root_; }

private:
    BuiltScreen screen_;
    Gtk::Box* root_;
};

} // namespace orvane::desktop
