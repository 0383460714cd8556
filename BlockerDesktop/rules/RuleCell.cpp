#include "rules/RuleCell.h"

#include "window/ContextMenuRequest.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <gtkmm/gestureclick.h>

namespace orvane::desktop {
namespace {

constexpr int kTitleTop = 10;
constexpr int kDescriptionTop = 36;
constexpr int kSwitchGap = 12;

} // namespace

RuleCell::RuleCell(RuleCellDelegate delegate)
    : Glib::ObjectBase("OrvaneRuleCell"), delegate_(std::move(delegate)), actions_(Gio::SimpleActionGroup::create()) {
    add_css_class("rule-cell");
    title_.add_css_class("rule-title");
    title_.set_xalign(0);
    title_.set_ellipsize(Pango::EllipsizeMode::END);
    title_.set_single_line_mode(true);
    title_.set_parent(*this);
    description_.set_parent(*this);
    switch_.set_valign(Gtk::Align::CENTER);
    switch_.set_parent(*this);
    switch_.property_active().signal_changed().connect([this] {
        if (!configuring_ && item_ && delegate_.updatePreference) {
            delegate_.updatePreference(item_, switch_.get_active());
        }
    });

    actions_->add_action("edit", [this] {
        if (popover_) {
            popover_->popdown();
        }
        if (item_ && editable_) {
            delegate_.editRule(item_);
        }
    });
    actions_->add_action("delete", [this] {
        if (popover_) {
            popover_->popdown();
        }
        if (item_ && editable_) {
            // The delegate may drop this row; the item outlives the call.
            auto item = item_;
            delegate_.removeRule(item);
        }
    });
    insert_action_group("rule", actions_);

    // Right click and Control-click open the menu; double click and Enter edit (the list's
    // activation).
    auto click = Gtk::GestureClick::create();
    click->set_button(0);
    click->signal_pressed().connect([this, click = click.get()](int, double x, double y) {
        if (editable_ && asksForContextMenu(*click)) {
            click->set_state(Gtk::EventSequenceState::CLAIMED);
            openMenu(x, y);
        }
    });
    add_controller(click);
    // The list lets go of its rows: the children go before GTK finalizes the row.
    signal_destroy().connect([this] { releaseChildren(); });
}

RuleCell::~RuleCell() { releaseChildren(); }

void RuleCell::releaseChildren() {
    itemChanged_.disconnect();
    rowRetargeted_.disconnect();
    for (Gtk::Widget* child : std::initializer_list<Gtk::Widget*>{popover_.get(), &switch_, &description_, &title_}) {
        if (child != nullptr && child->get_parent() != nullptr) {
            child->unparent();
        }
    }
}

void RuleCell::configure(const Glib::RefPtr<RuleItem>& item, bool editable) {
    itemChanged_.disconnect();
    item_ = item;
    editable_ = editable;
    title_.set_text(item->rule().name);
    description_.setItem(item);
    const std::string name = item->rule().name.empty() ? std::string("Rule") : item->rule().name;
    gtk_accessible_update_property(GTK_ACCESSIBLE(switch_.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
    itemChanged_ = item->signalChanged().connect([this] { showState(); });
    showState();
}

void RuleCell::bindRow(const Glib::RefPtr<RuleRow>& row, bool editable) {
    rowRetargeted_.disconnect();
    configure(row->item(), editable);
    // The list item holds the row for as long as this cell is bound to it.
    rowRetargeted_ = row->signalRetargeted().connect([this, row = row.get(), editable] {
        if (popover_) {
            popover_->popdown();
        }
        configure(row->item(), editable);
    });
}

Glib::RefPtr<Gio::Menu> RuleCell::menu() {
    if (!menu_) {
        menu_ = Gio::Menu::create();
        menu_->append("Edit Rule", "rule.edit");
        menu_->append("Delete Rule", "rule.delete");
    }
    return menu_;
}

Gtk::PopoverMenu& RuleCell::menuPopover() {
    if (!popover_) {
        popover_ = std::make_unique<Gtk::PopoverMenu>(menu());
        popover_->set_has_arrow(false);
        popover_->set_visible(false);
        popover_->set_parent(*this);
    }
    return *popover_;
}

void RuleCell::clear() {
    itemChanged_.disconnect();
    rowRetargeted_.disconnect();
    if (popover_) {
        popover_->popdown();
    }
    item_.reset();
    description_.setItem({});
}

void RuleCell::showState() {
    configuring_ = true;
    switch_.set_active(item_ && item_->enabled());
    configuring_ = false;
}

void RuleCell::openMenu(double x, double y) {
    if (!editable_) {
        return;
    }
    Gtk::PopoverMenu& popover = menuPopover();
    popover.set_pointing_to(Gdk::Rectangle(int(x), int(y), 1, 1));
    popover.popup();
}

Gtk::SizeRequestMode RuleCell::get_request_mode_vfunc() const { return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH; }

void RuleCell::measure_vfunc(Gtk::Orientation orientation, int for_size, int& minimum, int& natural,
                             int& minimum_baseline, int& natural_baseline) const {
    minimum_baseline = -1;
    natural_baseline = -1;
    if (orientation == Gtk::Orientation::HORIZONTAL) {
        int switchMinimum = 0;
        int switchNatural = 0;
        int ignored = 0;
        switch_.measure(Gtk::Orientation::HORIZONTAL, -1, switchMinimum, switchNatural, ignored, ignored);
        minimum = natural = 2 * kSideMargin + switchNatural + kSwitchGap + 80;
        return;
    }
    const int width = for_size < 0 ? 400 : for_size;
    minimum = natural = description_.heightForWidth(std::max(width - 2 * kSideMargin, 1)) + kExtraHeight;
}

void RuleCell::size_allocate_vfunc(int width, int height, int) {
    int minimum = 0;
    int switchWidth = 0;
    int switchHeight = 0;
    int titleHeight = 0;
    int ignored = 0;
    switch_.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, switchWidth, ignored, ignored);
    switch_.measure(Gtk::Orientation::VERTICAL, switchWidth, minimum, switchHeight, ignored, ignored);
    const int titleWidth = std::max(width - 2 * kSideMargin - switchWidth - kSwitchGap, 1);
    title_.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, ignored, ignored, ignored);
    title_.measure(Gtk::Orientation::VERTICAL, titleWidth, minimum, titleHeight, ignored, ignored);
    const int lineMiddle = kTitleTop + titleHeight / 2;
    title_.size_allocate(Gtk::Allocation(kSideMargin, kTitleTop, titleWidth, titleHeight), -1);
    switch_.size_allocate(
        Gtk::Allocation(width - kSideMargin - switchWidth, lineMiddle - switchHeight / 2, switchWidth, switchHeight), -1);
    const int descriptionWidth = std::max(width - 2 * kSideMargin, 1);
    description_.measure(Gtk::Orientation::VERTICAL, descriptionWidth, minimum, ignored, ignored, ignored);
    description_.size_allocate(
        Gtk::Allocation(kSideMargin, kDescriptionTop, descriptionWidth, std::max(height - kExtraHeight, 0)), -1);
    if (popover_) {
        popover_->present();
    }
}

} // namespace orvane::desktop
