#include "packages/PackageListModel.h"

#include <algorithm>

namespace orvane::desktop {

bool PackageRowData::operator==(const PackageRowData& other) const {
    const auto& a = summary;
    const auto& b = other.summary;
    return sameRow(other) && pending == other.pending && a.name == b.name && a.ruleCount == b.ruleCount &&
           a.disabledRuleCount == b.disabledRuleCount && a.enabled == b.enabled;
}

PackageRow::PackageRow(PackageRowData data) : Glib::ObjectBase(typeid(PackageRow)), data_(std::move(data)) {}

Glib::RefPtr<PackageRow> PackageRow::create(PackageRowData data) {
    return Glib::make_refptr_for_instance<PackageRow>(new PackageRow(std::move(data)));
}

void PackageRow::update(PackageRowData data) {
    if (data == data_) {
        return;
    }
    data_ = std::move(data);
    changed_.emit();
}

PackageListModel::PackageListModel() : Glib::ObjectBase(typeid(PackageListModel)), Gio::ListModel(), Glib::Object() {}

Glib::RefPtr<PackageListModel> PackageListModel::create() {
    return Glib::make_refptr_for_instance<PackageListModel>(new PackageListModel());
}

std::vector<PackageRowData> PackageListModel::rowsFor(const std::vector<PackageSummary>& summaries,
                                                      const std::vector<std::string>& pending) {
    std::vector<PackageRowData> rows;
    for (PackageSection section : {PackageSection::Preinstalled, PackageSection::Configurables, PackageSection::Custom}) {
        rows.push_back(PackageRowData{PackageRowData::Kind::Header, section, {}, false});
        const std::size_t first = rows.size();
        for (const auto& summary : summaries) {
            if (summary.section == section) {
                const bool isPending = std::find(pending.begin(), pending.end(), summary.id) != pending.end();
                rows.push_back(PackageRowData{PackageRowData::Kind::Package, section, summary, isPending});
            }
        }
        // The combined order puts the first configurable package (the whitelist) after every
        // other package; its section shows the configurable list in its own order.
        if (section == PackageSection::Configurables && rows.size() > first) {
            std::rotate(rows.begin() + std::ptrdiff_t(first), rows.end() - 1, rows.end());
        }
    }
    rows.push_back(PackageRowData{PackageRowData::Kind::AddNew, PackageSection::Custom, {}, false});
    return rows;
}

void PackageListModel::update(std::vector<PackageRowData> rows) {
    const std::size_t shorter = std::min(rows.size(), rows_.size());
    std::size_t prefix = 0;
    while (prefix < shorter && rows_[prefix]->data().sameRow(rows[prefix])) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           rows_[rows_.size() - 1 - suffix]->data().sameRow(rows[rows.size() - 1 - suffix])) {
        ++suffix;
    }
    const std::size_t removed = rows_.size() - prefix - suffix;
    const std::size_t added = rows.size() - prefix - suffix;
    std::vector<Glib::RefPtr<PackageRow>> updated;
    updated.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i < prefix) {
            updated.push_back(rows_[i]);
        } else if (i >= rows.size() - suffix) {
            updated.push_back(rows_[rows_.size() - (rows.size() - i)]);
        } else {
            updated.push_back(PackageRow::create(rows[i]));
        }
    }
    rows_ = std::move(updated);
    if (removed != 0 || added != 0) {
        items_changed(guint(prefix), guint(removed), guint(added));
    }
    // Rows that stayed take their content after the list knows its shape.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows_[i]->update(std::move(rows[i]));
    }
}

void PackageListModel::updatePackage(const PackageSummary& summary, bool pending) {
    if (auto position = positionOf(summary.id)) {
        PackageRowData data = rows_[*position]->data();
        data.summary = summary;
        data.pending = pending;
        rows_[*position]->update(std::move(data));
    }
}

std::optional<guint> PackageListModel::positionOf(const std::string& packageId) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const auto& data = rows_[i]->data();
        if (data.kind == PackageRowData::Kind::Package && data.summary.id == packageId) {
            return guint(i);
        }
    }
    return std::nullopt;
}

GType PackageListModel::get_item_type_vfunc() { return G_TYPE_OBJECT; }

guint PackageListModel::get_n_items_vfunc() { return size(); }

gpointer PackageListModel::get_item_vfunc(guint position) {
    return position < rows_.size() ? g_object_ref(rows_[position]->gobj()) : nullptr;
}

} // namespace orvane::desktop
