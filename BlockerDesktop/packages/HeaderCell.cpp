#include "packages/HeaderCell.h"

namespace orvane::desktop {

HeaderCell::HeaderCell()
    : screen_("/com/larkmoor/Orvane/packages/HeaderCell.ui", "header_cell"),
      root_(screen_.get<Gtk::Box>("header_cell")),
      headerLabel_(screen_.get<Gtk::Label>("header_label")) {}

AddNewPackage::AddNewPackage()
    : screen_("/com/larkmoor/Orvane/packages/AddNewPackage.ui", "add_new_package"),
      root_(screen_.get<Gtk::Box>("add_new_package")) {}

} // namespace orvane::desktop
