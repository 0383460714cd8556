#include "rules/PackageVC.h"

#include "platform/Log.h"
#include "window/ContextMenuRequest.h"
#include "window/LaterOnMain.h"
#include "window/SplitViewController.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/signallistitemfactory.h>

namespace orvane::desktop {
namespace {

std::string sectionText(PackageSection section) {
    switch (section) {
    case PackageSection::Preinstalled: return "Preinstalled package";
    case PackageSection::Configurables: return "Configurable package";
    case PackageSection::Custom: return "Custom package";
    }
    return {};
}

std::string rulesText(std::size_t count) { return std::to_string(count) + (count == 1 ? " rule" : " rules"); }

} // namespace

PackageVC::PackageVC(SplitViewController& splitView, const std::string& packageId)
    : splitView_(splitView), packageId_(packageId),
      screen_("/com/larkmoor/Orvane/rules/PackageVC.ui", "package_vc"),
      noRulesScreen_("/com/larkmoor/Orvane/rules/NoRulesCell.ui", "no_rules_cell"),
      root_(screen_.get<Gtk::Box>("package_vc")), title_(screen_.get<Gtk::Label>("package_title")),
      subtitle_(screen_.get<Gtk::Label>("package_subtitle")),
      searchField_(screen_.get<Gtk::SearchEntry>("search_field")),
      segments_{screen_.get<Gtk::ToggleButton>("filter_disabled"),
                screen_.get<Gtk::ToggleButton>("filter_all"),
                screen_.get<Gtk::ToggleButton>("filter_enabled")},
      newRuleButton_(screen_.get<Gtk::Button>("new_rule_button")),
      scrollView_(screen_.get<Gtk::ScrolledWindow>("scroll_view")),
      tableView_(screen_.get<Gtk::ListView>("table_view")),
      noRulesCell_(&noRulesScreen_.root()), nearView_(*tableView_) {
    auto snapshot = splitView_.services().rules().ruleListSnapshot(packageId_);
    if (!snapshot) {
        // The package went between the choice and now: an empty list rather than a stale one.
        log("No package with id " + packageId_);
        auto empty = std::make_shared<const PackageList>(PackageList{Package{packageId_, "", {}}});
        snapshot = RuleListSnapshot{PackageSnapshot{empty, &empty->front(), PackageSection::Preinstalled}, {}};
    }
    isPreinstalledPackage_ = snapshot->package.section == PackageSection::Preinstalled;
    title_->set_text(snapshot->package->name.empty() ? std::string("Package Name") : snapshot->package->name);
    newRuleButton_->set_visible(!isPreinstalledPackage_);
    root_->append(*noRulesCell_);

    model_ = RuleListModel::create(std::move(*snapshot));
    filter_ = RuleFilter::create();
    filtered_ = Gtk::FilterListModel::create(model_, filter_);
    rows_ = RuleRows::create(filtered_);
    selection_ = Gtk::NoSelection::create(rows_);
    setUpFactory();
    tableView_->set_model(selection_);
    filtered_->signal_items_changed().connect([this](guint, guint, guint) { showCounts(); });
    showCounts();

    for (std::size_t segment = 0; segment < segments_.size(); ++segment) {
        segments_[segment]->signal_toggled().connect([this, segment] {
            // Toggling a group reports the segment left as well as the one chosen.
            if (segments_[segment]->get_active()) {
                enabledFilterValueChanged(EnabledFilter(segment));
            }
        });
    }
    searchField_->signal_changed().connect([this] { searchFieldValueChanged(); });
    newRuleButton_->signal_clicked().connect([this] { splitView_.showRuleEditor(std::nullopt, packageId_); });
    tableView_->signal_activate().connect([this](guint position) {
        if (auto item = std::dynamic_pointer_cast<RuleItem>(filtered_->get_object(position))) {
            // The editor replaces this list once the click that asked for it is done.
            later([item](PackageVC& self) { self.editRule(item); });
        }
    });
    // Right click and Control-click open the menu of the row under the pointer, before the rows'
    // own gestures see the click; double click and Enter edit (the list's activation).
    auto click = Gtk::GestureClick::create();
    click->set_button(0);
    click->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    click->signal_pressed().connect([this, click = click.get()](int, double x, double y) {
        if (!asksForContextMenu(*click)) {
            return;
        }
        RuleCell* cell = cellAt(x, y);
        if (cell == nullptr || !cell->hasMenu()) {
            return;
        }
        click->set_state(Gtk::EventSequenceState::CLAIMED);
        double cellX = 0;
        double cellY = 0;
        tableView_->translate_coordinates(*cell, x, y, cellX, cellY);
        cell->openMenu(cellX, cellY);
    });
    tableView_->add_controller(click);
    // The Menu key (and Shift+F10) opens the menu of the focused row.
    auto keys = Gtk::EventControllerKey::create();
    keys->signal_key_pressed().connect(
        [this](guint key, guint, Gdk::ModifierType state) {
            if (!asksForContextMenu(key, state)) {
                return false;
            }
            Gtk::Widget* row = Glib::wrap(gtk_widget_get_focus_child(GTK_WIDGET(tableView_->gobj())));
            auto* cell = RuleCell::ofRow(row);
            if (cell == nullptr || !cell->hasMenu()) {
                return false;
            }
            cell->openMenu();
            return true;
        },
        false);
    tableView_->add_controller(keys);

    remotePreferenceSync_ = ObserverRegistration(kRemotePreferenceSync, [this](const Notification&) {
        later([](PackageVC& self) { self.reloadSwitches(); });
    });
    didSavePackages_ = ObserverRegistration(kDidSavePackages, [this](const Notification&) {
        later([](PackageVC& self) { self.refreshPackage(); });
    });
}

PackageVC::~PackageVC() {
    remotePreferenceSync_ = {};
    didSavePackages_ = {};
    tableView_->set_model({});
}

void PackageVC::later(std::function<void(PackageVC&)> work) { laterOnMain(self_, std::move(work)); }

void PackageVC::setUpFactory() {
    auto factory = Gtk::SignalListItemFactory::create();
    factory->signal_setup().connect([this](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        RuleCellDelegate delegate;
        delegate.updatePreference = [this](const Glib::RefPtr<RuleItem>& item, bool enabled) {
            updatePreference(item, enabled);
        };
        // Both may take this list away: they run once the row's menu or click is done.
        delegate.editRule = [this](const Glib::RefPtr<RuleItem>& item) {
            later([item](PackageVC& self) { self.editRule(item); });
        };
        delegate.removeRule = [this](const Glib::RefPtr<RuleItem>& item) {
            later([item](PackageVC& self) { self.removeRule(item); });
        };
        delegate.heightAwayFromView = [this](guint position, int width) {
            return nearView_.heightAwayFromView(position, width);
        };
        listItem->set_child(*Gtk::make_managed<RuleCell>(std::move(delegate), tableView_->get_pango_context()));
    });
    factory->signal_bind().connect([this](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        auto* cell = dynamic_cast<RuleCell*>(listItem->get_child());
        auto row = std::dynamic_pointer_cast<RuleRow>(listItem->get_item());
        if (cell == nullptr) {
            log("Error: can't create cell with identifier RuleCellView");
            return;
        }
        if (row && row->item()) {
            cell->bindRow(row, !isPreinstalledPackage_);
        }
    });
    factory->signal_unbind().connect([](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        if (auto* cell = dynamic_cast<RuleCell*>(listItem->get_child())) {
            cell->clear();
        }
    });
    tableView_->set_factory(factory);
}

RuleCell* PackageVC::cellFor(const std::string& ruleId) {
    for (Gtk::Widget* row = tableView_->get_first_child(); row != nullptr; row = row->get_next_sibling()) {
        auto* cell = RuleCell::ofRow(row);
        if (cell != nullptr && cell->item() && cell->item()->rule().id == ruleId && row->get_child_visible()) {
            return cell;
        }
    }
    return nullptr;
}

RuleCell* PackageVC::cellAt(double x, double y) {
    for (Gtk::Widget* widget = tableView_->pick(x, y); widget != nullptr && widget != tableView_;
         widget = widget->get_parent()) {
        if (auto* cell = dynamic_cast<RuleCell*>(widget)) {
            return cell;
        }
    }
    return nullptr;
}

void PackageVC::enabledFilterValueChanged(EnabledFilter filter) {
    if (filter == filter_->enabledFilter()) {
        return;
    }
    filter_->setEnabledFilter(filter);
}

void PackageVC::searchFieldValueChanged() { filter_->setSearch(searchField_->get_text()); }

void PackageVC::filterRules() {
    filter_->statesChanged();
    showCounts();
}

void PackageVC::showCounts() {
    const guint listed = filtered_->get_n_items();
    const bool none = listed == 0;
    noRulesCell_->set_visible(none);
    scrollView_->set_visible(!none);
    const std::size_t total = model_->size();
    std::string subtitle = sectionText(model_->snapshot().package.section) + " · " + rulesText(total);
    if (listed != total) {
        subtitle += ", " + std::to_string(listed) + " listed";
    }
    subtitle_->set_text(subtitle);
}

void PackageVC::refreshPackage() {
    auto snapshot = splitView_.services().rules().ruleListSnapshot(packageId_);
    if (!snapshot) {
        return;
    }
    title_->set_text(snapshot->package->name.empty() ? std::string("Package Name") : snapshot->package->name);
    model_->refresh(std::move(*snapshot));
    filterRules();
}

void PackageVC::reloadSwitches() {
    auto snapshot = splitView_.services().rules().ruleListSnapshot(packageId_);
    if (!snapshot) {
        return;
    }
    model_->refresh(std::move(*snapshot));
    filterRules();
}

void PackageVC::updatePreference(const Glib::RefPtr<RuleItem>& item, bool enabled) {
    auto switched = splitView_.services().switches().setRulesEnabled(packageId_, {item->rule().id}, enabled);
    if (!switched) {
        log(switched.error().message);
        return;
    }
    model_->setEnabled(*item, enabled);
}

void PackageVC::editRule(const Glib::RefPtr<RuleItem>& item) {
    if (isPreinstalledPackage_) {
        return;
    }
    splitView_.showRuleEditor(item->rule().id, packageId_);
}

void PackageVC::removeRule(const Glib::RefPtr<RuleItem>& item) {
    if (isPreinstalledPackage_) {
        return;
    }
    auto removed = splitView_.services().rules().removeRule(packageId_, item->rule().id);
    if (!removed) {
        log(removed.error().message);
        return;
    }
    refreshPackage();
    splitView_.reloadSelectedRow();
    if (model_->size() == 0) {
        // Replaces this list: nothing of it runs after this.
        splitView_.showRuleEditor(std::nullopt, packageId_);
    }
}

} // namespace orvane::desktop
