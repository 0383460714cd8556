#pragma once

#include "rules/RuleListModel.h"

#include <giomm/listmodel.h>
#include <glibmm/object.h>

#include <vector>

namespace orvane::desktop {

// A row of the rule list: the n-th listed rule, whichever rule that is now.
class RuleRow : public Glib::Object {
public:
    static Glib::RefPtr<RuleRow> create(guint position, Glib::RefPtr<RuleItem> item);

    // The row's place in the list, which never changes: rows stay where they are.
    guint position() const { return position_; }
    const Glib::RefPtr<RuleItem>& item() const { return item_; }
    // Told when the row shows another rule; a bound cell takes it in place.
    sigc::signal<void()>& signalRetargeted() { return retargeted_; }

private:
    friend class RuleRows;
    RuleRow(guint position, Glib::RefPtr<RuleItem> item);
    void retarget(Glib::RefPtr<RuleItem> item);

    guint position_;
    Glib::RefPtr<RuleItem> item_;
    sigc::signal<void()> retargeted_;
};

// The rows the list view shows over the listed (filtered) rules, by position. GTK 4.8's list view
// makes new row widgets for every item an items-changed brings in, so a keystroke that changes
// every listed rule would build its ~200 rows anew; here rows that stay in place take their new
// rule themselves, and items-changed only tells rows that came or went at the end.
class RuleRows : public Gio::ListModel, public Glib::Object {
public:
    static Glib::RefPtr<RuleRows> create(Glib::RefPtr<Gio::ListModel> listed);

protected:
    explicit RuleRows(Glib::RefPtr<Gio::ListModel> listed);
    GType get_item_type_vfunc() override;
    guint get_n_items_vfunc() override;
    gpointer get_item_vfunc(guint position) override;

private:
    void listedChanged(guint position, guint removed, guint added);
    Glib::RefPtr<RuleItem> listedAt(guint position) const;

    Glib::RefPtr<Gio::ListModel> listed_;
    // Made when GTK first asks for them; a null slot was never shown.
    std::vector<Glib::RefPtr<RuleRow>> rows_;
};

} // namespace orvane::desktop
