#pragma once

#include "app/CoreBridge.h"
#include "packages/HeaderCell.h"
#include "packages/PackageCell.h"
#include "packages/PackageListModel.h"
#include "window/BuiltScreen.h"
#include "window/Clock.h"

#include <gtkmm/listview.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/singleselection.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::desktop {

class SplitViewController;

// The package list (AdvancedVC.ui), the left pane of the main window: the three sections with
// their packages, a switch and a count per package, and the add row. Selecting a package shows
// its rules in the detail pane. It follows the catalog's saves, imports, the switches and
// changes from other machines and processes through their notifications.
class AdvancedVC {
public:
    static constexpr int kRowHeight = 40;
    static constexpr int kAddRowHeight = 100;

    AdvancedVC(SplitViewController& splitView, std::shared_ptr<Clock> clock);
    ~AdvancedVC();
    AdvancedVC(const AdvancedVC&) = delete;
    AdvancedVC& operator=(const AdvancedVC&) = delete;

    Gtk::Widget& widget() { return *root_; }
    Gtk::ListView& tableView() { return *tableView_; }

    guint rowCount() const { return model_->size(); }
    const PackageRowData& row(guint position) const { return model_->at(position); }
    bool isAddNewPackageButton(guint position) const { return position + 1 == model_->size(); }
    std::optional<guint> lastSelectedRow() const { return lastSelectedRow_; }
    std::optional<std::string> selectedPackageId() const;
    const std::vector<std::string>& pendingCustomPackages() const { return pendingCustomPackages_; }

    // Selects a row as a click does: a package shows its rules (or the editor of its first rule),
    // the add row adds a package; headers are never selected.
    void selectRow(guint position);
    // The first preinstalled package, as the window opens.
    void selectInitialRow();
    // The whole list anew (catalog saves, imports, remote switches).
    void reloadList();
    // The selected row's count and switch anew.
    void reloadSelectedRow();

    // The cell of a package on screen, if it has one now.
    PackageCell* cellFor(const std::string& packageId);
    HeaderCell* headerCellAt(guint position);

    // What the cells' menus do.
    void exportPackage(const std::string& packageId);
    void removePackage(const std::string& packageId);
    void packageRenamingFinished(PackageCell& cell, const std::string& name);

private:
    struct RowHost;
    void setUpFactory();
    void selectionChanged();
    void didSelect(guint position);
    void addNewPackage();
    void removeNow(const std::string& packageId);
    // Selects a row without running what a click runs.
    void markSelected(guint position);
    std::vector<PackageRowData> currentRows();
    RowHost* hostAt(guint position);
    // Runs `work` on the main queue if the list still lives then.
    void later(std::function<void(AdvancedVC&)> work);

    SplitViewController& splitView_;
    std::shared_ptr<Clock> clock_;
    BuiltScreen screen_;
    Gtk::ScrolledWindow* root_;
    Gtk::ListView* tableView_;
    Glib::RefPtr<PackageListModel> model_;
    Glib::RefPtr<Gtk::SingleSelection> selection_;
    std::optional<guint> lastSelectedRow_;
    std::vector<std::string> pendingCustomPackages_;
    bool selecting_ = false;
    std::map<Gtk::Widget*, std::unique_ptr<RowHost>> hosts_;
    std::vector<ObserverRegistration> observers_;
    std::shared_ptr<AdvancedVC*> self_ = std::make_shared<AdvancedVC*>(this);
};

} // namespace orvane::desktop
