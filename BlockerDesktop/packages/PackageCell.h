#pragma once

#include "packages/PackageListModel.h"
#include "window/BuiltScreen.h"
#include "window/Clock.h"

#include <giomm/menu.h>
#include <giomm/simpleactiongroup.h>
#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/popovermenu.h>
#include <gtkmm/switch.h>

#include <functional>
#include <memory>
#include <string>

namespace orvane::desktop {

class PackageCell;

// What a package's row asks of the package list.
struct PackageCellDelegate {
    std::function<void(const std::string& packageId, bool enabled)> preferenceUpdater;
    std::function<void(const std::string& packageId)> exportPackage;
    std::function<void(const std::string& packageId)> removePackage;
    std::function<void(PackageCell& cell, const std::string& name)> renamingFinished;
};

// "N rule" / "N rules", then ", M disabled" when M is not 0 (M never more than N).
std::string countText(std::size_t rules, std::size_t disabled);

// A package's row (PackageCell.ui): icon, name, count and switch, and for the packages the user
// may export or change the menu "Edit Package".
class PackageCell {
public:
    PackageCell(PackageCellDelegate delegate, std::shared_ptr<Clock> clock);
    ~PackageCell();
    PackageCell(const PackageCell&) = delete;
    PackageCell& operator=(const PackageCell&) = delete;

    Gtk::Widget& widget() { return *root_; }
    void configure(const Glib::RefPtr<PackageRow>& row);
    void clear();

    // The package shown, empty when the cell shows none.
    const std::string& packageId() const { return packageId_; }
    bool isCustom() const { return isCustom_; }
    bool isRenaming() const { return renaming_; }

    Gtk::Image& icon() { return *icon_; }
    Gtk::Label& countLabel() { return *countLabel_; }
    // The name as shown, cut with an ellipsis to the row's width.
    Gtk::Label& nameLabel() { return *nameLabel_; }
    // The name's field, in the label's place while the package is pending or renamed.
    Gtk::Entry& packageLabel() { return *packageLabel_; }
    Gtk::Switch& preferenceSwitch() { return *preferenceSwitch_; }
    // "Edit Package" with its items, or nothing for a preinstalled package.
    Glib::RefPtr<Gio::MenuModel> menuModel() const { return menu_; }
    bool hasMenu() const { return menu_ && menu_->get_n_items() > 0; }
    Gtk::PopoverMenu& menuPopover() { return *popover_; }
    void openMenu(double x = 20, double y = 20);

    // Makes the name editable and gives it the keyboard focus.
    void startRenaming();

private:
    void showRow();
    void finishRenaming(bool keep);
    void showEditable(bool editable);
    void buildMenu(const PackageRowData& data);

    PackageCellDelegate delegate_;
    std::shared_ptr<Clock> clock_;
    BuiltScreen screen_;
    Gtk::Box* root_;
    Gtk::Image* icon_;
    Gtk::Label* countLabel_;
    Gtk::Label* nameLabel_;
    Gtk::Entry* packageLabel_;
    Gtk::Switch* preferenceSwitch_;
    Glib::RefPtr<Gio::Menu> menu_;
    std::string menuKey_;
    Glib::RefPtr<Gio::SimpleActionGroup> actions_;
    std::unique_ptr<Gtk::PopoverMenu> popover_;

    Glib::RefPtr<PackageRow> row_;
    sigc::connection rowChanged_;
    std::string packageId_;
    std::string shownName_;
    bool isCustom_ = false;
    bool pending_ = false;
    bool renaming_ = false;
    bool configuring_ = false;
    std::shared_ptr<PackageCell*> self_ = std::make_shared<PackageCell*>(this);
};

} // namespace orvane::desktop
