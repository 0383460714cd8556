#include "packages/PackageCell.h"

#include "window/ContextMenuRequest.h"

#include <gdk/gdkkeysyms.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <gtkmm/eventcontrollerfocus.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/gestureclick.h>

namespace orvane::desktop {
namespace {

constexpr auto kPendingFocusDelay = std::chrono::milliseconds(500);

std::string iconPath(const std::string& packageId) {
    return "/com/larkmoor/Orvane/packages/icons/" + packageId + "-Icon.svg";
}

bool hasResource(const std::string& path) {
    return g_resources_get_info(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr, nullptr, nullptr);
}

} // namespace

std::string countText(std::size_t rules, std::size_t disabled) {
    std::string text = std::to_string(rules) + (rules == 1 ? " rule" : " rules");
    disabled = std::min(disabled, rules);
    if (disabled > 0) {
        text += ", " + std::to_string(disabled) + " disabled";
    }
    return text;
}

PackageCell::PackageCell(PackageCellDelegate delegate, std::shared_ptr<Clock> clock)
    : delegate_(std::move(delegate)), clock_(std::move(clock)),
      screen_("/com/larkmoor/Orvane/packages/PackageCell.ui", "package_cell"),
      root_(screen_.get<Gtk::Box>("package_cell")), icon_(screen_.get<Gtk::Image>("icon")),
      countLabel_(screen_.get<Gtk::Label>("count_label")), nameLabel_(screen_.get<Gtk::Label>("package_name")),
      packageLabel_(screen_.get<Gtk::Entry>("package_label")),
      preferenceSwitch_(screen_.get<Gtk::Switch>("preference_switch")),
      actions_(Gio::SimpleActionGroup::create()), popover_(std::make_unique<Gtk::PopoverMenu>()) {
    preferenceSwitch_->property_active().signal_changed().connect([this] {
        if (!configuring_ && !packageId_.empty() && delegate_.preferenceUpdater) {
            delegate_.preferenceUpdater(packageId_, preferenceSwitch_->get_active());
        }
    });

    // Enter ends the editing of an editable name, a pending package's included.
    packageLabel_->signal_activate().connect([this] {
        renaming_ = renaming_ || packageLabel_->get_editable();
        finishRenaming(true);
    });
    auto focus = Gtk::EventControllerFocus::create();
    focus->signal_enter().connect([this] {
        if (packageLabel_->get_editable()) {
            renaming_ = true;
        }
    });
    focus->signal_leave().connect([this] { finishRenaming(true); });
    packageLabel_->add_controller(focus);
    auto keys = Gtk::EventControllerKey::create();
    keys->signal_key_pressed().connect(
        [this](guint key, guint, Gdk::ModifierType) {
            if (key != GDK_KEY_Escape || !renaming_) {
                return false;
            }
            packageLabel_->set_text(shownName_);
            finishRenaming(false);
            return true;
        },
        false);
    packageLabel_->add_controller(keys);

    actions_->add_action("export", [this] {
        if (delegate_.exportPackage) {
            delegate_.exportPackage(packageId_);
        }
    });
    actions_->add_action("delete", [this] {
        if (delegate_.removePackage) {
            delegate_.removePackage(packageId_);
        }
    });
    actions_->add_action("rename", [this] { startRenaming(); });
    root_->insert_action_group("package", actions_);
    popover_->set_has_arrow(false);
    popover_->set_visible(false);
    popover_->set_parent(*root_);

    // Right click and Control-click open the menu, when the package has one.
    auto click = Gtk::GestureClick::create();
    click->set_button(0);
    click->signal_pressed().connect([this, click = click.get()](int, double x, double y) {
        if (hasMenu() && asksForContextMenu(*click)) {
            click->set_state(Gtk::EventSequenceState::CLAIMED);
            openMenu(x, y);
        }
    });
    root_->add_controller(click);
}

PackageCell::~PackageCell() {
    rowChanged_.disconnect();
    popover_->unparent();
}

void PackageCell::configure(const Glib::RefPtr<PackageRow>& row) {
    rowChanged_.disconnect();
    const bool samePackage = row_ && row_->data().summary.id == row->data().summary.id;
    const bool wasPending = samePackage && pending_;
    row_ = row;
    rowChanged_ = row_->signalChanged().connect([this] { showRow(); });
    if (!samePackage) {
        renaming_ = false;
    }
    showRow();
    if (pending_ && !wasPending) {
        // The user types the name of a new package straight away.
        clock_->runAfter(kPendingFocusDelay, [weak = std::weak_ptr<PackageCell*>(self_), id = packageId_] {
            if (auto self = weak.lock(); self && (*self)->packageId_ == id && (*self)->pending_) {
                (*self)->startRenaming();
            }
        });
    }
}

void PackageCell::clear() {
    rowChanged_.disconnect();
    popover_->popdown();
    row_.reset();
    packageId_.clear();
    renaming_ = false;
}

void PackageCell::showRow() {
    const PackageRowData& data = row_->data();
    packageId_ = data.summary.id;
    isCustom_ = data.section == PackageSection::Custom;
    pending_ = data.pending;
    if (!renaming_) {
        packageLabel_->set_text(data.summary.name);
    }
    shownName_ = data.summary.name;
    nameLabel_->set_text(data.summary.name.empty() ? std::string("Package Name") : data.summary.name);
    countLabel_->set_text(countText(data.summary.ruleCount, data.summary.disabledRuleCount));
    configuring_ = true;
    preferenceSwitch_->set_active(data.summary.enabled);
    configuring_ = false;
    const std::string name = data.summary.name.empty() ? std::string("Package Name") : data.summary.name;
    gtk_accessible_update_property(GTK_ACCESSIBLE(preferenceSwitch_->gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   name.c_str(), -1);
    const std::string icon = iconPath(data.summary.id);
    if (hasResource(icon)) {
        icon_->set_from_resource(icon);
        icon_->set_visible(true);
    } else {
        icon_->clear();
        icon_->set_visible(false);
    }
    showEditable(pending_ || renaming_);
    buildMenu(data);
}

void PackageCell::buildMenu(const PackageRowData& data) {
    // Rebuilt only when what it offers changes: showing a row again must not swap the model of
    // a menu that is opening (ending a rename on the way).
    const std::string key = std::to_string(int(data.section)) + data.summary.name;
    if (menu_ && key == menuKey_) {
        return;
    }
    menuKey_ = key;
    menu_ = Gio::Menu::create();
    if (data.section == PackageSection::Preinstalled) {
        popover_->set_menu_model({});
        return;
    }
    auto items = Gio::Menu::create();
    items->append("Export to File", "package.export");
    if (data.section == PackageSection::Custom) {
        items->append("Delete \"" + data.summary.name + "\"", "package.delete");
        items->append("Rename Package", "package.rename");
    }
    menu_->append_section("Edit Package", items);
    popover_->set_menu_model(menu_);
}

void PackageCell::openMenu(double x, double y) {
    if (!hasMenu()) {
        return;
    }
    popover_->set_pointing_to(Gdk::Rectangle(int(x), int(y), 1, 1));
    popover_->popup();
}

void PackageCell::startRenaming() {
    if (packageId_.empty() || !isCustom_) {
        return;
    }
    renaming_ = true;
    showEditable(true);
    packageLabel_->grab_focus();
    packageLabel_->select_region(0, -1);
}

void PackageCell::finishRenaming(bool keep) {
    if (!renaming_) {
        return;
    }
    renaming_ = false;
    const std::string name = packageLabel_->get_text();
    if (!pending_) {
        showEditable(false);
    }
    if (keep && delegate_.renamingFinished) {
        delegate_.renamingFinished(*this, name);
    }
    if (row_) {
        showRow();
    }
}

void PackageCell::showEditable(bool editable) {
    packageLabel_->set_editable(editable);
    packageLabel_->set_can_target(editable);
    packageLabel_->set_can_focus(editable);
    packageLabel_->set_has_frame(editable);
    packageLabel_->set_visible(editable);
    nameLabel_->set_visible(!editable);
}

} // namespace orvane::desktop
