#include "rules/DescriptionView.h"

#include <gtk/gtk.h>
#include <gtkmm/snapshot.h>

namespace orvane::desktop {

DescriptionView::DescriptionView() : Glib::ObjectBase("OrvaneDescriptionView") {
    add_css_class("rule-description");
    set_overflow(Gtk::Overflow::HIDDEN);
    layout_ = create_pango_layout("");
    Pango::FontDescription font = get_pango_context()->get_font_description();
    font.set_size(kFontPoints * PANGO_SCALE);
    layout_->set_font_description(font);
    layout_->set_wrap(Pango::WrapMode::WORD_CHAR);
    layout_->set_ellipsize(Pango::EllipsizeMode::END);
    layout_->set_height(-kMostLines);
}

void DescriptionView::setItem(const Glib::RefPtr<RuleItem>& item) {
    item_ = item;
    laidOutItem_ = nullptr;
    const std::string shown = text();
    gtk_accessible_update_property(GTK_ACCESSIBLE(gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, shown.c_str(), -1);
    queue_resize();
}

std::string DescriptionView::text() const { return item_ ? item_->description() : std::string(); }

void DescriptionView::layOut(int width) const {
    if (laidOutItem_ == item_.get() && laidOutWidth_ == width) {
        return;
    }
    layout_->set_text(item_ ? Glib::ustring(item_->description()) : Glib::ustring());
    layout_->set_width(std::max(width, 1) * PANGO_SCALE);
    laidOutItem_ = item_.get();
    laidOutWidth_ = width;
}

int DescriptionView::heightForWidth(int width) const {
    if (!item_ || item_->description().empty()) {
        return 0;
    }
    if (auto cached = item_->cachedHeight(width)) {
        return *cached;
    }
    layOut(width);
    int textWidth = 0;
    int height = 0;
    layout_->get_pixel_size(textWidth, height);
    item_->cacheHeight(width, height);
    return height;
}

Gtk::SizeRequestMode DescriptionView::get_request_mode_vfunc() const { return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH; }

void DescriptionView::measure_vfunc(Gtk::Orientation orientation, int for_size, int& minimum, int& natural,
                                    int& minimum_baseline, int& natural_baseline) const {
    minimum_baseline = -1;
    natural_baseline = -1;
    if (orientation == Gtk::Orientation::HORIZONTAL) {
        // Any width will do: the text wraps to it.
        minimum = 0;
        natural = 0;
        return;
    }
    minimum = natural = for_size < 0 ? 0 : heightForWidth(for_size);
}

void DescriptionView::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
    if (!item_ || item_->description().empty()) {
        return;
    }
    layOut(get_width());
    GdkRGBA color;
    gtk_style_context_get_color(gtk_widget_get_style_context(GTK_WIDGET(gobj())), &color);
    gtk_snapshot_append_layout(snapshot->gobj(), layout_->gobj(), &color);
}

} // namespace orvane::desktop
