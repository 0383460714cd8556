#pragma once

#include "app/CoreBridge.h"

#include <giomm/listmodel.h>
#include <glibmm/object.h>

#include <optional>
#include <string>
#include <vector>

namespace orvane::desktop {

// What a row of the package list is: a section's header, a package, or the add row at the end.
struct PackageRowData {
    enum class Kind { Header, Package, AddNew };
    Kind kind = Kind::Header;
    PackageSection section = PackageSection::Preinstalled;
    // For package rows.
    PackageSummary summary;
    bool pending = false;

    bool sameRow(const PackageRowData& other) const {
        return kind == other.kind && section == other.section && summary.id == other.summary.id;
    }
    bool operator==(const PackageRowData& other) const;
};

// One row of the package list; a bound row follows its changes.
class PackageRow : public Glib::Object {
public:
    static Glib::RefPtr<PackageRow> create(PackageRowData data);
    const PackageRowData& data() const { return data_; }
    sigc::signal<void()>& signalChanged() { return changed_; }

private:
    friend class PackageListModel;
    explicit PackageRow(PackageRowData data);
    void update(PackageRowData data);

    PackageRowData data_;
    sigc::signal<void()> changed_;
};

// The rows of the package list: "Preinstalled", its packages, "Configurable", its packages,
// "Custom", its packages, and the add row. An update announces only the rows that came or went,
// as one items-changed; rows that stay follow their new content in place.
// The interface comes before Glib::Object, so that it is added when the class is made.
class PackageListModel : public Gio::ListModel, public Glib::Object {
public:
    static Glib::RefPtr<PackageListModel> create();

    // The rows for summaries in catalog order; `pending` lists the pending packages' ids.
    static std::vector<PackageRowData> rowsFor(const std::vector<PackageSummary>& summaries,
                                               const std::vector<std::string>& pending);

    void update(std::vector<PackageRowData> rows);
    // Only the package row with that id takes its new content.
    void updatePackage(const PackageSummary& summary, bool pending);

    guint size() const { return guint(rows_.size()); }
    const PackageRowData& at(guint position) const { return rows_.at(position)->data(); }
    std::optional<guint> positionOf(const std::string& packageId) const;

protected:
    PackageListModel();
    GType get_item_type_vfunc() override;
    guint get_n_items_vfunc() override;
    gpointer get_item_vfunc(guint position) override;

private:
    std::vector<Glib::RefPtr<PackageRow>> rows_;
};

} // namespace orvane::desktop
