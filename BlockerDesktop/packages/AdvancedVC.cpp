#include "packages/AdvancedVC.h"

#include "dialogs/Dialogs.h"
#include "platform/Log.h"
#include "window/ContextMenuRequest.h"
#include "window/DarkWindowController.h"
#include "window/LaterOnMain.h"
#include "window/SplitViewController.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <gtkmm/box.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/signallistitemfactory.h>

namespace orvane::desktop {

// The widget a list item holds: whichever cell its row needs, made when first needed.
struct AdvancedVC::RowHost {
    Gtk::Box* box = nullptr;
    std::unique_ptr<HeaderCell> header;
    std::unique_ptr<PackageCell> package;
    std::unique_ptr<AddNewPackage> addNew;
    Gtk::Widget* shown = nullptr;
    bool bound = false;
    // Closing the window destroys the list's rows without a teardown: the box is gone then.
    sigc::connection boxDestroyed;

    void show(Gtk::Widget& cell) {
        if (shown == &cell) {
            return;
        }
        if (shown != nullptr) {
            box->remove(*shown);
        }
        box->append(cell);
        cell.set_hexpand(true);
        shown = &cell;
    }
    ~RowHost() {
        boxDestroyed.disconnect();
        if (shown != nullptr && box != nullptr) {
            box->remove(*shown);
        }
    }
};

AdvancedVC::AdvancedVC(SplitViewController& splitView, std::shared_ptr<Clock> clock)
    : splitView_(splitView), clock_(std::move(clock)),
      screen_("/com/larkmoor/Orvane/packages/AdvancedVC.ui", "advanced_vc"),
      root_(screen_.get<Gtk::ScrolledWindow>("advanced_vc")),
      tableView_(screen_.get<Gtk::ListView>("table_view")), model_(PackageListModel::create()) {
    model_->update(currentRows());
    selection_ = Gtk::SingleSelection::create(model_);
    selection_->set_autoselect(false);
    selection_->set_can_unselect(false);
    selection_->unselect_all();
    selection_->property_selected().signal_changed().connect([this] { selectionChanged(); });
    setUpFactory();
    tableView_->set_model(selection_);

    // Double click and Enter on a custom package rename it, once the click has given the row
    // its focus.
    tableView_->signal_activate().connect([this](guint position) {
        if (position >= model_->size() || row(position).kind != PackageRowData::Kind::Package) {
            return;
        }
        later([id = row(position).summary.id](AdvancedVC& self) {
            if (auto* cell = self.cellFor(id); cell != nullptr && cell->isCustom()) {
                cell->startRenaming();
            }
        });
    });
    // The Menu key (and Shift+F10) opens the menu of the focused row.
    auto keys = Gtk::EventControllerKey::create();
    keys->signal_key_pressed().connect(
        [this](guint key, guint, Gdk::ModifierType state) {
            if (!asksForContextMenu(key, state)) {
                return false;
            }
            Gtk::Widget* focused = Glib::wrap(gtk_widget_get_focus_child(GTK_WIDGET(tableView_->gobj())));
            auto host = focused != nullptr ? hosts_.find(focused->get_first_child()) : hosts_.end();
            if (host == hosts_.end() || !host->second->package || host->second->shown != &host->second->package->widget() ||
                !host->second->package->hasMenu()) {
                return false;
            }
            host->second->package->openMenu();
            return true;
        },
        false);
    tableView_->add_controller(keys);

    for (const char* name : {kDidSavePackages, kDidImportBlockers, kRemotePreferenceSync}) {
        observers_.emplace_back(name, [this](const Notification&) { later([](AdvancedVC& self) { self.reloadList(); }); });
    }
    observers_.emplace_back(kDidSaveUserPreference, [this](const Notification&) {
        later([](AdvancedVC& self) { self.reloadSelectedRow(); });
    });
}

AdvancedVC::~AdvancedVC() {
    observers_.clear();
    tableView_->set_model({});
}

void AdvancedVC::later(std::function<void(AdvancedVC&)> work) { laterOnMain(self_, std::move(work)); }

void AdvancedVC::setUpFactory() {
    auto factory = Gtk::SignalListItemFactory::create();
    factory->signal_setup().connect([this](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        auto* box = Gtk::make_managed<Gtk::Box>();
        auto host = std::make_unique<RowHost>();
        host->box = box;
        host->boxDestroyed = box->signal_destroy().connect([raw = host.get()] {
            raw->box = nullptr;
            raw->shown = nullptr;
        });
        hosts_[box] = std::move(host);
        listItem->set_child(*box);
    });
    factory->signal_teardown().connect([this](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        hosts_.erase(listItem->get_child());
    });
    factory->signal_bind().connect([this](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        auto found = hosts_.find(listItem->get_child());
        auto row = std::dynamic_pointer_cast<PackageRow>(listItem->get_item());
        if (found == hosts_.end() || !row) {
            return;
        }
        RowHost& host = *found->second;
        host.bound = true;
        const PackageRowData& data = row->data();
        switch (data.kind) {
        case PackageRowData::Kind::Header:
            if (!host.header) {
                host.header = std::make_unique<HeaderCell>();
            }
            host.header->configure(std::string(core::sectionTitle(data.section)));
            host.show(host.header->widget());
            break;
        case PackageRowData::Kind::Package:
            if (!host.package) {
                PackageCellDelegate delegate;
                delegate.preferenceUpdater = [this](const std::string& id, bool enabled) {
                    if (auto switched = splitView_.services().switches().setPackageEnabled(id, enabled); !switched) {
                        log(switched.error().message);
                    }
                };
                delegate.exportPackage = [this](const std::string& id) { exportPackage(id); };
                delegate.removePackage = [this](const std::string& id) { removePackage(id); };
                delegate.renamingFinished = [this](PackageCell& cell, const std::string& name) {
                    packageRenamingFinished(cell, name);
                };
                host.package = std::make_unique<PackageCell>(std::move(delegate), clock_);
            }
            host.package->configure(row);
            host.show(host.package->widget());
            break;
        case PackageRowData::Kind::AddNew:
            if (!host.addNew) {
                host.addNew = std::make_unique<AddNewPackage>();
            }
            host.show(host.addNew->widget());
            break;
        }
        listItem->set_selectable(data.kind != PackageRowData::Kind::Header);
        listItem->set_activatable(data.kind == PackageRowData::Kind::Package);
    });
    factory->signal_unbind().connect([this](const Glib::RefPtr<Gtk::ListItem>& listItem) {
        auto found = hosts_.find(listItem->get_child());
        if (found != hosts_.end()) {
            found->second->bound = false;
            if (found->second->package) {
                found->second->package->clear();
            }
        }
    });
    tableView_->set_factory(factory);
}

std::vector<PackageRowData> AdvancedVC::currentRows() {
    auto summaries = splitView_.services().packages().summaries();
    // A pending package that went (deleted, or read anew from disk) is pending no more.
    std::erase_if(pendingCustomPackages_, [&](const std::string& id) {
        return std::none_of(summaries.begin(), summaries.end(), [&](const PackageSummary& s) { return s.id == id; });
    });
    return PackageListModel::rowsFor(summaries, pendingCustomPackages_);
}

std::optional<std::string> AdvancedVC::selectedPackageId() const {
    const guint selected = selection_->get_selected();
    if (selected >= model_->size() || model_->at(selected).kind != PackageRowData::Kind::Package) {
        return std::nullopt;
    }
    return model_->at(selected).summary.id;
}

void AdvancedVC::markSelected(guint position) {
    selecting_ = true;
    selection_->set_selected(position);
    selecting_ = false;
    lastSelectedRow_ = position;
}

void AdvancedVC::selectionChanged() {
    if (selecting_) {
        return;
    }
    const guint selected = selection_->get_selected();
    if (selected >= model_->size()) {
        return;
    }
    didSelect(selected);
}

void AdvancedVC::selectRow(guint position) {
    if (position >= model_->size() || row(position).kind == PackageRowData::Kind::Header) {
        return;
    }
    markSelected(position);
    didSelect(position);
}

void AdvancedVC::selectInitialRow() {
    for (guint position = 0; position < model_->size(); ++position) {
        if (row(position).kind == PackageRowData::Kind::Package) {
            selectRow(position);
            return;
        }
    }
}

void AdvancedVC::didSelect(guint position) {
    const PackageRowData data = row(position);
    if (data.kind == PackageRowData::Kind::Header) {
        return;
    }
    lastSelectedRow_ = position;
    if (data.kind == PackageRowData::Kind::AddNew) {
        addNewPackage();
        return;
    }
    // A package without rules opens the editor of its first rule; preinstalled rules are never
    // written here, so such a package shows its (empty) list.
    if (data.summary.ruleCount > 0 || data.section == PackageSection::Preinstalled) {
        splitView_.showRuleList(data.summary.id);
    } else {
        splitView_.showRuleEditor(std::nullopt, data.summary.id);
    }
}

void AdvancedVC::addNewPackage() {
    const Package package = splitView_.services().packages().createPendingPackage();
    pendingCustomPackages_.push_back(package.id);
    reloadList();
    if (auto position = model_->positionOf(package.id)) {
        markSelected(*position);
        tableView_->activate_action("list.scroll-to-item", Glib::Variant<guint>::create(*position));
    }
    splitView_.showRuleEditor(std::nullopt, package.id);
}

void AdvancedVC::reloadList() {
    const std::optional<std::string> selectedBefore = selectedPackageId();
    const std::optional<guint> rowBefore = lastSelectedRow_;
    selecting_ = true;
    model_->update(currentRows());
    selecting_ = false;
    const guint selected = selection_->get_selected();
    if (selected < model_->size()) {
        lastSelectedRow_ = selected;
        return;
    }
    if (!selectedBefore || !rowBefore) {
        return;
    }
    // The selected package went (another process or machine deleted it): the nearest package
    // above takes its place.
    guint position = std::min<guint>(*rowBefore, model_->size() - 1);
    while (position > 0 && row(position).kind != PackageRowData::Kind::Package) {
        --position;
    }
    if (row(position).kind == PackageRowData::Kind::Package) {
        selectRow(position);
    }
}

void AdvancedVC::reloadSelectedRow() {
    auto id = selectedPackageId();
    if (!id) {
        return;
    }
    for (const auto& summary : splitView_.services().packages().summaries()) {
        if (summary.id == *id) {
            const bool pending = std::find(pendingCustomPackages_.begin(), pendingCustomPackages_.end(), *id) !=
                                 pendingCustomPackages_.end();
            model_->updatePackage(summary, pending);
            return;
        }
    }
}

AdvancedVC::RowHost* AdvancedVC::hostAt(guint position) {
    if (position >= model_->size()) {
        return nullptr;
    }
    const PackageRowData& data = row(position);
    for (auto& [box, host] : hosts_) {
        if (!host->bound) {
            continue;
        }
        if (data.kind == PackageRowData::Kind::Package && host->package && host->shown == &host->package->widget() &&
            host->package->packageId() == data.summary.id) {
            return host.get();
        }
        if (data.kind == PackageRowData::Kind::Header && host->header && host->shown == &host->header->widget() &&
            host->header->headerLabel().get_text().raw() == core::sectionTitle(data.section)) {
            return host.get();
        }
    }
    return nullptr;
}

PackageCell* AdvancedVC::cellFor(const std::string& packageId) {
    auto position = model_->positionOf(packageId);
    auto* host = position ? hostAt(*position) : nullptr;
    return host != nullptr ? host->package.get() : nullptr;
}

HeaderCell* AdvancedVC::headerCellAt(guint position) {
    auto* host = hostAt(position);
    return host != nullptr ? host->header.get() : nullptr;
}

void AdvancedVC::exportPackage(const std::string& packageId) {
    auto position = model_->positionOf(packageId);
    if (!position) {
        return;
    }
    const std::string name = row(*position).summary.name;
    chooseFileToSave(splitView_.windowController().window(), "Export Package", name + ".orvanepkg",
                     "Orvane packages", "*.orvanepkg",
                     [weak = std::weak_ptr<AdvancedVC*>(self_), packageId](std::optional<std::filesystem::path> path) {
                         auto self = weak.lock();
                         if (!self || !path) {
                             return;
                         }
                         // A failed write is told to the user as "There was an error saving package
                         // file." by the export itself.
                         (void)(*self)->splitView_.services().packages().exportPackage(packageId, *path);
                     });
}

void AdvancedVC::removePackage(const std::string& packageId) {
    auto position = model_->positionOf(packageId);
    if (!position || row(*position).section != PackageSection::Custom) {
        return;
    }
    const PackageSummary summary = row(*position).summary;
    if (summary.ruleCount == 0) {
        removeNow(packageId);
        return;
    }
    Alert alert;
    alert.message = "Are you sure?";
    alert.detail = "You cannot undo this action.\nDeleting a package also removes all rules it contains.";
    alert.confirmTitle = "Yes, delete \"" + summary.name + "\" & " + std::to_string(summary.ruleCount) +
                         (summary.ruleCount == 1 ? " rule" : " rules");
    alert.cancelTitle = "Cancel";
    confirm(splitView_.windowController().window(), alert,
            [weak = std::weak_ptr<AdvancedVC*>(self_), packageId](bool confirmed) {
                if (auto self = weak.lock(); self && confirmed) {
                    (*self)->removeNow(packageId);
                }
            });
}

void AdvancedVC::removeNow(const std::string& packageId) {
    auto position = model_->positionOf(packageId);
    if (!position) {
        return;
    }
    if (auto removed = splitView_.services().packages().deletePackage(packageId); !removed) {
        log(removed.error().message);
        return;
    }
    std::erase(pendingCustomPackages_, packageId);
    selecting_ = true;
    model_->update(currentRows());
    selecting_ = false;
    // The row above takes the selection; above the first custom package that is the last
    // configurable one, past the "Custom" header.
    guint target = *position == 0 ? 0 : *position - 1;
    while (target > 0 && row(target).kind != PackageRowData::Kind::Package) {
        --target;
    }
    selectRow(target);
}

void AdvancedVC::packageRenamingFinished(PackageCell& cell, const std::string& name) {
    auto position = cell.packageId().empty() ? std::nullopt : model_->positionOf(cell.packageId());
    if (!position) {
        log("Can't get row for cell container " + name);
        return;
    }
    const PackageSummary summary = row(*position).summary;
    if (name.empty() || name == summary.name) {
        return;
    }
    pendingCustomPackages_.clear();
    auto renamed = splitView_.services().packages().renamePackage(summary.id, name);
    if (!renamed) {
        if (renamed.error().code == ServiceErrorCode::UnknownPackage) {
            log("weird, no package found?");
        } else {
            log(renamed.error().message);
        }
        return;
    }
    reloadList();
}

} // namespace orvane::desktop
