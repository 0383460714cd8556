#include "rules/RuleText.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace orvane::desktop {

RuleText::RuleText(const Glib::RefPtr<Pango::Context>& context)
    : title_(Pango::Layout::create(context)), description_(Pango::Layout::create(context)) {
    Pango::FontDescription font = context->get_font_description();
    font.set_size(kFontPoints * PANGO_SCALE);
    description_->set_font_description(font);
    description_->set_wrap(Pango::WrapMode::WORD_CHAR);
    description_->set_ellipsize(Pango::EllipsizeMode::END);
    description_->set_height(-kMostLines);
    font.set_weight(Pango::Weight::BOLD);
    title_->set_font_description(font);
    title_->set_ellipsize(Pango::EllipsizeMode::END);
    title_->set_single_paragraph_mode(true);
}

void RuleText::setItem(const Glib::RefPtr<RuleItem>& item) {
    item_ = item;
    laidOutItem_ = nullptr;
    title_->set_text(item_ ? Glib::ustring(item_->rule().name) : Glib::ustring());
}

std::string RuleText::title() const { return title_->get_text(); }

std::string RuleText::description() const { return item_ ? item_->description() : std::string(); }

int RuleText::fitTitle(int width) {
    title_->set_width(std::max(width, 1) * PANGO_SCALE);
    int textWidth = 0;
    int height = 0;
    title_->get_pixel_size(textWidth, height);
    return height;
}

void RuleText::layOutDescription(int width) const {
    if (laidOutItem_ == item_.get() && laidOutWidth_ == width) {
        return;
    }
    description_->set_text(item_ ? Glib::ustring(item_->description()) : Glib::ustring());
    description_->set_width(std::max(width, 1) * PANGO_SCALE);
    laidOutItem_ = item_.get();
    laidOutWidth_ = width;
}

std::optional<int> RuleText::knownDescriptionHeight(int width) const {
    if (!item_ || item_->description().empty()) {
        return 0;
    }
    return item_->cachedHeight(width);
}

int RuleText::descriptionHeight(int width) const {
    if (auto known = knownDescriptionHeight(width)) {
        return *known;
    }
    layOutDescription(width);
    int textWidth = 0;
    int height = 0;
    description_->get_pixel_size(textWidth, height);
    item_->cacheHeight(width, height);
    return height;
}

void RuleText::snapshot(const Glib::RefPtr<Gtk::Snapshot>& snapshot, const GdkRGBA& color,
                        const Gdk::Rectangle& title, const Gdk::Rectangle& description) const {
    if (!item_) {
        return;
    }
    GtkSnapshot* target = snapshot->gobj();
    gtk_snapshot_save(target);
    graphene_point_t titleAt = GRAPHENE_POINT_INIT(float(title.get_x()), float(title.get_y()));
    gtk_snapshot_translate(target, &titleAt);
    gtk_snapshot_append_layout(target, title_->gobj(), &color);
    gtk_snapshot_restore(target);
    if (item_->description().empty()) {
        return;
    }
    layOutDescription(description.get_width());
    GdkRGBA secondary = color;
    secondary.alpha = float(color.alpha * kDescriptionAlpha);
    graphene_rect_t clip = GRAPHENE_RECT_INIT(float(description.get_x()), float(description.get_y()),
                                              float(description.get_width()), float(description.get_height()));
    gtk_snapshot_push_clip(target, &clip);
    gtk_snapshot_save(target);
    graphene_point_t descriptionAt = GRAPHENE_POINT_INIT(float(description.get_x()), float(description.get_y()));
    gtk_snapshot_translate(target, &descriptionAt);
    gtk_snapshot_append_layout(target, description_->gobj(), &secondary);
    gtk_snapshot_restore(target);
    gtk_snapshot_pop(target);
}

} // namespace orvane::desktop
