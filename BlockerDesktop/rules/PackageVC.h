#pragma once

#include "app/CoreBridge.h"
#include "rules/RowsNearView.h"
#include "rules/RuleCell.h"
#include "rules/RuleListModel.h"
#include "rules/RuleRows.h"
#include "window/BuiltScreen.h"
#include "window/DetailPage.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/filterlistmodel.h>
#include <gtkmm/label.h>
#include <gtkmm/listview.h>
#include <gtkmm/noselection.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/searchentry.h>
#include <gtkmm/togglebutton.h>

#include <array>
#include <memory>
#include <string>

namespace orvane::desktop {

class SplitViewController;

// The rule list of one package (PackageVC.ui) in the detail pane: search, the three-way enabled
// filter, the new-rule button for packages the user owns, and a row per listed rule, or the
// single "NoRulesCell" row when none is listed. It follows the catalog's saves and the switches
// synced from other machines, keeping its filter and search.
class PackageVC : public DetailPage {
public:
    // `packageId` must name a package of the catalog.
    PackageVC(SplitViewController& splitView, const std::string& packageId);
    ~PackageVC() override;
    PackageVC(const PackageVC&) = delete;
    PackageVC& operator=(const PackageVC&) = delete;

    Gtk::Widget& widget() override { return *root_; }
    Gtk::Widget* searchField() override { return searchField_; }

    const std::string& packageId() const { return packageId_; }
    bool isPreinstalledPackage() const { return isPreinstalledPackage_; }
    EnabledFilter lastFilter() const { return filter_->enabledFilter(); }

    Gtk::SearchEntry& searchEntry() { return *searchField_; }
    // The filter's segments, left to right: disabled only, all, enabled only.
    Gtk::ToggleButton& filterSegment(EnabledFilter filter) { return *segments_.at(std::size_t(filter)); }
    Gtk::Button& newRuleButton() { return *newRuleButton_; }
    Gtk::ListView& tableView() { return *tableView_; }
    Gtk::ScrolledWindow& scrollView() { return *scrollView_; }
    Gtk::Widget& noRulesCell() { return *noRulesCell_; }

    // The rules listed now, in order (the list's rows).
    Glib::RefPtr<Gio::ListModel> rules() const { return filtered_; }
    guint rowCount() const { return filtered_->get_n_items(); }
    bool showsNoRulesCell() const { return noRulesCell_->get_visible(); }
    // The row of a rule on screen, if it has one now.
    RuleCell* cellFor(const std::string& ruleId);

    // Reads the package anew (after "DidSavePackages") and runs the filter and search again.
    void refreshPackage();
    // Reads the switches anew (after "RemotePreferenceSync").
    void reloadSwitches();

private:
    void enabledFilterValueChanged(EnabledFilter filter);
    void searchFieldValueChanged();
    void filterRules();
    void updatePreference(const Glib::RefPtr<RuleItem>& item, bool enabled);
    void editRule(const Glib::RefPtr<RuleItem>& item);
    void removeRule(const Glib::RefPtr<RuleItem>& item);
    void showCounts();
    // The row at a point of the list view, if a row is there.
    RuleCell* cellAt(double x, double y);
    void setUpFactory();
    // Runs `work` on the main queue if the list still lives then.
    void later(std::function<void(PackageVC&)> work);

    SplitViewController& splitView_;
    std::string packageId_;
    bool isPreinstalledPackage_ = false;
    BuiltScreen screen_;
    BuiltScreen noRulesScreen_;
    Gtk::Box* root_;
    Gtk::Label* title_;
    Gtk::Label* subtitle_;
    Gtk::SearchEntry* searchField_;
    std::array<Gtk::ToggleButton*, 3> segments_;
    Gtk::Button* newRuleButton_;
    Gtk::ScrolledWindow* scrollView_;
    Gtk::ListView* tableView_;
    Gtk::Widget* noRulesCell_;

    Glib::RefPtr<RuleListModel> model_;
    Glib::RefPtr<RuleFilter> filter_;
    Glib::RefPtr<Gtk::FilterListModel> filtered_;
    Glib::RefPtr<RuleRows> rows_;
    Glib::RefPtr<Gtk::NoSelection> selection_;
    RowsNearView nearView_;
    ObserverRegistration remotePreferenceSync_;
    ObserverRegistration didSavePackages_;
    std::shared_ptr<PackageVC*> self_ = std::make_shared<PackageVC*>(this);
};

} // namespace orvane::desktop
