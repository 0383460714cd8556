#include "rules/RuleCell.h"

#include <gtk/gtk.h>

#include <string_view>

namespace orvane::desktop {
namespace {

constexpr int kDescriptionTop = 36;
constexpr int kSwitchGap = 12;

} // namespace

void RuleCell::classInit(void* klass, void*) {
    auto* widgetClass = static_cast<GtkWidgetClass*>(klass);
    gtk_widget_class_set_accessible_role(widgetClass, GTK_ACCESSIBLE_ROLE_GROUP);
    gtk_widget_class_install_action(widgetClass, "rule.edit", nullptr, &RuleCell::activateAction);
    gtk_widget_class_install_action(widgetClass, "rule.delete", nullptr, &RuleCell::activateAction);
}

void RuleCell::activateAction(GtkWidget* widget, const char* name, GVariant*) {
    auto* cell = dynamic_cast<RuleCell*>(Glib::wrap(widget));
    if (cell == nullptr) {
        return;
    }
    cell->act(std::string_view(name) == "rule.edit" ? cell->delegate_.editRule : cell->delegate_.removeRule);
}

RuleCell::RuleCell(RuleCellDelegate delegate, const Glib::RefPtr<Pango::Context>& context)
    : Glib::ObjectBase("OrvaneRuleCell"), Glib::ExtraClassInit(&RuleCell::classInit), delegate_(std::move(delegate)),
      text_(context) {
    add_css_class("rule-cell");
    switch_.set_valign(Gtk::Align::CENTER);
    switch_.set_parent(*this);
    switch_.property_active().signal_changed().connect([this] {
        if (!configuring_ && item_ && delegate_.updatePreference) {
            delegate_.updatePreference(item_, switch_.get_active());
        }
    });
    // The list lets go of its rows: the children go before GTK finalizes the row.
    signal_destroy().connect([this] { releaseChildren(); });
}

RuleCell::~RuleCell() { releaseChildren(); }

RuleCell* RuleCell::ofRow(Gtk::Widget* row) {
    return row != nullptr ? dynamic_cast<RuleCell*>(row->get_first_child()) : nullptr;
}

void RuleCell::releaseChildren() {
    itemChanged_.disconnect();
    rowRetargeted_.disconnect();
    for (Gtk::Widget* child : std::initializer_list<Gtk::Widget*>{popover_.get(), &switch_}) {
        if (child != nullptr && child->get_parent() != nullptr) {
            child->unparent();
        }
    }
}

void RuleCell::act(const std::function<void(const Glib::RefPtr<RuleItem>&)>& action) {
    if (popover_) {
        popover_->popdown();
    }
    if (item_ && editable_ && action) {
        // The delegate may drop this row; the item outlives the call.
        auto item = item_;
        action(item);
    }
}

void RuleCell::configure(const Glib::RefPtr<RuleItem>& item, bool editable) {
    itemChanged_.disconnect();
    item_ = item;
    editable_ = editable;
    text_.setItem(item);
    const std::string name = item->rule().name.empty() ? std::string("Rule") : item->rule().name;
    const std::string description = text_.description();
    gtk_accessible_update_property(GTK_ACCESSIBLE(gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(),
                                   GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, description.c_str(), -1);
    gtk_accessible_update_property(GTK_ACCESSIBLE(switch_.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
    itemChanged_ = item->signalChanged().connect([this] { showState(); });
    showState();
    queue_resize();
}

void RuleCell::bindRow(const Glib::RefPtr<RuleRow>& row, bool editable) {
    rowRetargeted_.disconnect();
    position_ = row->position();
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
    text_.setItem({});
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
    // Without a width there is no height to wrap to: the list view asks so only for its own height
    // without a width, which the scrolled window around it does not use, and laying every row's
    // description out there would shape each text twice as the list opens.
    if (for_size < 0) {
        minimum = natural = text_.lastDescriptionHeight() + kExtraHeight;
        return;
    }
    const int width = std::max(for_size - 2 * kSideMargin, 1);
    const auto away = delegate_.heightAwayFromView ? delegate_.heightAwayFromView(position_, for_size) : std::nullopt;
    estimated_ = away && !text_.knownDescriptionHeight(width);
    minimum = natural = estimated_ ? *away : text_.descriptionHeight(width) + kExtraHeight;
}

void RuleCell::size_allocate_vfunc(int width, int height, int) {
    int minimum = 0;
    int switchWidth = 0;
    int switchHeight = 0;
    int ignored = 0;
    switch_.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, switchWidth, ignored, ignored);
    switch_.measure(Gtk::Orientation::VERTICAL, switchWidth, minimum, switchHeight, ignored, ignored);
    const int titleWidth = std::max(width - 2 * kSideMargin - switchWidth - kSwitchGap, 1);
    const int titleHeight = text_.fitTitle(titleWidth);
    const int lineMiddle = kTitleTop + titleHeight / 2;
    titleArea_ = Gdk::Rectangle(kSideMargin, kTitleTop, titleWidth, titleHeight);
    descriptionArea_ = Gdk::Rectangle(kSideMargin, kDescriptionTop, std::max(width - 2 * kSideMargin, 1),
                                      std::max(height - kExtraHeight, 0));
    switch_.size_allocate(
        Gtk::Allocation(width - kSideMargin - switchWidth, lineMiddle - switchHeight / 2, switchWidth, switchHeight), -1);
    if (popover_) {
        popover_->present();
    }
}

void RuleCell::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
    GdkRGBA color;
    gtk_style_context_get_color(gtk_widget_get_style_context(GTK_WIDGET(gobj())), &color);
    text_.snapshot(snapshot, color, titleArea_, descriptionArea_);
    Gtk::Widget::snapshot_vfunc(snapshot);
}

} // namespace orvane::desktop
