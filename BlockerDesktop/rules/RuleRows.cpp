#include "rules/RuleRows.h"

#include <algorithm>

namespace orvane::desktop {

RuleRow::RuleRow(guint position, Glib::RefPtr<RuleItem> item)
    : Glib::ObjectBase(typeid(RuleRow)), position_(position), item_(std::move(item)) {}

Glib::RefPtr<RuleRow> RuleRow::create(guint position, Glib::RefPtr<RuleItem> item) {
    return Glib::make_refptr_for_instance<RuleRow>(new RuleRow(position, std::move(item)));
}

void RuleRow::retarget(Glib::RefPtr<RuleItem> item) {
    if (item != item_) {
        item_ = std::move(item);
        retargeted_.emit();
    }
}

RuleRows::RuleRows(Glib::RefPtr<Gio::ListModel> listed)
    : Glib::ObjectBase(typeid(RuleRows)), Gio::ListModel(), Glib::Object(), listed_(std::move(listed)),
      rows_(listed_->get_n_items()) {
    listed_->signal_items_changed().connect(sigc::mem_fun(*this, &RuleRows::listedChanged));
}

Glib::RefPtr<RuleRows> RuleRows::create(Glib::RefPtr<Gio::ListModel> listed) {
    return Glib::make_refptr_for_instance<RuleRows>(new RuleRows(std::move(listed)));
}

GType RuleRows::get_item_type_vfunc() { return G_TYPE_OBJECT; }

guint RuleRows::get_n_items_vfunc() { return guint(rows_.size()); }

gpointer RuleRows::get_item_vfunc(guint position) {
    if (position >= rows_.size()) {
        return nullptr;
    }
    auto& row = rows_[position];
    if (!row) {
        row = RuleRow::create(position, listedAt(position));
    }
    return g_object_ref(row->gobj());
}

Glib::RefPtr<RuleItem> RuleRows::listedAt(guint position) const {
    return std::dynamic_pointer_cast<RuleItem>(listed_->get_object(position));
}

void RuleRows::listedChanged(guint position, guint removed, guint added) {
    const std::size_t before = rows_.size();
    const std::size_t after = listed_->get_n_items();
    // Rows from the change on show what the listed rules hold now; only the shown ones ask.
    const std::size_t kept = std::min(before, after);
    for (std::size_t i = position; i < kept; ++i) {
        if (rows_[i]) {
            rows_[i]->retarget(listedAt(guint(i)));
        }
    }
    // Nothing moved when as many came as went: the retargeted rows said it all.
    if (removed == added) {
        return;
    }
    rows_.resize(after);
    if (after > before) {
        items_changed(guint(before), 0, guint(after - before));
    } else if (after < before) {
        items_changed(guint(after), guint(before - after), 0);
    }
}

} // namespace orvane::desktop
