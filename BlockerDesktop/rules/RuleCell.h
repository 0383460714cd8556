#pragma once

#include "rules/RuleListModel.h"
#include "rules/RuleRows.h"
#include "rules/RuleText.h"

#include <giomm/menu.h>
#include <glibmm/extraclassinit.h>
#include <gtkmm/popovermenu.h>
#include <gtkmm/switch.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace orvane::desktop {

// What a rule's row asks of the rule list.
struct RuleCellDelegate {
    std::function<void(const Glib::RefPtr<RuleItem>&, bool enabled)> updatePreference;
    std::function<void(const Glib::RefPtr<RuleItem>&)> editRule;
    std::function<void(const Glib::RefPtr<RuleItem>&)> removeRule;
    // The height of a row away from the view, at a position and width (RowsNearView).
    std::function<std::optional<int>(guint position, int width)> heightAwayFromView;
};

// A rule's row: its name and switch on the first line, the description wrapped below. Near the
// view a row is exactly the description's height at the row's width less 30 pixels, plus 45
// pixels; further away it answers the list's typical height unless its exact height is already
// known (RowsNearView). It draws its text itself (RuleText) and its one child is the switch; its
// actions "rule.edit" and "rule.delete" belong to the class, and the list handles the clicks and
// keys of all its rows, so a row costs no more objects than it shows.
class RuleCell : public Glib::ExtraClassInit, public Gtk::Widget {
public:
    static constexpr int kSideMargin = 15;
    static constexpr int kExtraHeight = 45;
    static constexpr int kTitleTop = 10;

    // `context` is the list's: its rows draw their text in it.
    RuleCell(RuleCellDelegate delegate, const Glib::RefPtr<Pango::Context>& context);
    ~RuleCell() override;
    // The cell a row of the rule list's view holds, if it holds one.
    static RuleCell* ofRow(Gtk::Widget* row);

    // Shows the row's rule, and the next one whenever the row takes another; rules of packages
    // the user owns get the menu "Edit Rule" / "Delete Rule".
    void bindRow(const Glib::RefPtr<RuleRow>& row, bool editable);
    void clear();

    const Glib::RefPtr<RuleItem>& item() const { return item_; }
    guint position() const { return position_; }
    // The row answered the height of a row away from the view for want of its exact height.
    bool holdsEstimate() const { return estimated_; }
    // The name and the whole description, as shown and as a screen reader gets them.
    std::string title() const { return text_.title(); }
    std::string description() const { return text_.description(); }
    // The height the description takes in the row.
    int descriptionHeight() const { return std::max(get_height() - kExtraHeight, 0); }
    Gtk::Switch& preferenceSwitch() { return switch_; }
    bool hasMenu() const { return editable_; }
    Glib::RefPtr<Gio::MenuModel> menuModel() { return menu(); }
    // Opens the context menu at a point of the row (its top left corner when none is given).
    void openMenu(double x = kSideMargin, double y = kExtraHeight / 2.0);
    // Made when first opened: a list makes hundreds of rows as it opens, a menu is opened rarely.
    Gtk::PopoverMenu& menuPopover();

protected:
    Gtk::SizeRequestMode get_request_mode_vfunc() const override;
    void measure_vfunc(Gtk::Orientation orientation, int for_size, int& minimum, int& natural, int& minimum_baseline,
                       int& natural_baseline) const override;
    void size_allocate_vfunc(int width, int height, int baseline) override;
    void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;
    // The row takes the focus itself (Enter edits, the Menu key opens the menu); Tab reaches
    // the switch.
    bool grab_focus_vfunc() override { return false; }

private:
    static void classInit(void* klass, void* data);
    void configure(const Glib::RefPtr<RuleItem>& item, bool editable);
    static void activateAction(GtkWidget* widget, const char* name, GVariant* parameter);
    // "rule.edit" or "rule.delete": the delegate's `action` on the row's rule, for rules the user owns.
    void act(const std::function<void(const Glib::RefPtr<RuleItem>&)>& action);
    void showState();
    void releaseChildren();
    Glib::RefPtr<Gio::Menu> menu();

    RuleCellDelegate delegate_;
    Glib::RefPtr<RuleItem> item_;
    guint position_ = 0;
    mutable bool estimated_ = false;
    sigc::connection itemChanged_;
    sigc::connection rowRetargeted_;
    bool editable_ = false;
    bool configuring_ = false;
    RuleText text_;
    Gtk::Switch switch_;
    Gdk::Rectangle titleArea_;
    Gdk::Rectangle descriptionArea_;
    Glib::RefPtr<Gio::Menu> menu_;
    std::unique_ptr<Gtk::PopoverMenu> popover_;
};

} // namespace orvane::desktop
