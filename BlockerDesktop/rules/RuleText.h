#pragma once

#include "rules/RuleListModel.h"

#include <gtkmm/snapshot.h>
#include <pangomm/layout.h>

#include <optional>

namespace orvane::desktop {

// The text of a rule's row, drawn by the row itself: the name on one line in bold, cut with an
// ellipsis, and the description wrapped below it, both in the 12-point font. Two Pango layouts
// instead of two child widgets, made in the list's Pango context (the rows have the list's font)
// rather than in one of each row's own: a list makes about 200 rows as it opens.
// A wrapping Gtk::Label would find its minimum width by laying its text out one character per
// line; here the description is laid out once, at the width it is given, and its height is kept
// on the rule's item, so a row measured again at the same width costs nothing. A description
// longer than a few lines (a group of hundreds of selectors from a filter list) ends with an
// ellipsis.
class RuleText {
public:
    static constexpr int kFontPoints = 12;
    static constexpr int kMostLines = 6;
    // The description's share of the row's color, as a secondary text.
    static constexpr double kDescriptionAlpha = 0.62;

    explicit RuleText(const Glib::RefPtr<Pango::Context>& context);

    void setItem(const Glib::RefPtr<RuleItem>& item);
    std::string title() const;
    std::string description() const;

    // Cuts the name to `width`; answers its line's height.
    int fitTitle(int width);
    // The description's height when wrapped at `width`.
    int descriptionHeight(int width) const;
    // That height if it is known without laying the description out.
    std::optional<int> knownDescriptionHeight(int width) const;
    // Its height at the width it was last measured at, without laying it out.
    int lastDescriptionHeight() const { return item_ ? item_->lastHeight() : 0; }

    // Draws the name (as last fitted) in `title` and the description in `description` (row
    // coordinates).
    void snapshot(const Glib::RefPtr<Gtk::Snapshot>& snapshot, const GdkRGBA& color, const Gdk::Rectangle& title,
                  const Gdk::Rectangle& description) const;

private:
    // The description's layout holds the item's text at `width`.
    void layOutDescription(int width) const;

    Glib::RefPtr<RuleItem> item_;
    Glib::RefPtr<Pango::Layout> title_;
    Glib::RefPtr<Pango::Layout> description_;
    mutable const RuleItem* laidOutItem_ = nullptr;
    mutable int laidOutWidth_ = -1;
};

} // namespace orvane::desktop
