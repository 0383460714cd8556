#pragma once

#include "rules/RuleListModel.h"

#include <gtkmm/widget.h>
#include <pangomm/layout.h>

namespace orvane::desktop {

// A rule's description, wrapped at its width in the 12-point font. A wrapping Gtk::Label finds
// its minimum width by laying its text out one character per line, which made a list of 50,000
// rules take seconds to appear; this view lays the text out once, at the width it is given, and
// keeps the height on the rule's item, so a row measured again at the same width costs nothing.
// A description longer than a few lines (a group of hundreds of selectors from a filter list)
// ends with an ellipsis there; a screen reader still gets all of it.
class DescriptionView : public Gtk::Widget {
public:
    static constexpr int kFontPoints = 12;
    static constexpr int kMostLines = 6;

    DescriptionView();

    void setItem(const Glib::RefPtr<RuleItem>& item);
    // The description's height when wrapped at `width`.
    int heightForWidth(int width) const;
    // What it shows, for a screen reader and for tests.
    std::string text() const;

protected:
    Gtk::SizeRequestMode get_request_mode_vfunc() const override;
    void measure_vfunc(Gtk::Orientation orientation, int for_size, int& minimum, int& natural, int& minimum_baseline,
                       int& natural_baseline) const override;
    void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;

private:
    // The layout holds the item's text at `width`.
    void layOut(int width) const;

    Glib::RefPtr<RuleItem> item_;
    Glib::RefPtr<Pango::Layout> layout_;
    mutable const RuleItem* laidOutItem_ = nullptr;
    mutable int laidOutWidth_ = -1;
};

} // namespace orvane::desktop
