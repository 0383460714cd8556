#pragma once

#include <gtkmm/listview.h>

#include <optional>

namespace orvane::desktop {

class RuleCell;

// Which rows of a rule list show their exact height. GTK 4.8's list view keeps about 200 rows
// alive around the view and asks every one of them for its height, but shows a dozen; a row's
// exact height is its description laid out, the one costly thing a row does. The rows near the
// view are the rows on screen, the 20 before and the 20 after them, and the first 20 of the
// list: they lay their descriptions out. A row further away answers the list's typical height
// (the median of the first rows shown at that width; 100 pixels until there are some) until it
// comes near. A row GTK lets go of takes the median height of the rows it keeps: were the far
// rows all 100 pixels, each row scrolled past would grow or shrink to 100 as it went and move the
// scroll position; the typical height keeps that median close to the rows' own.
//
// After each layout of the window it finds the rows on screen and has the rows near them that
// answered the typical height measured again; GTK lays the window out again before it draws
// (up to four times a frame), so a row never shows a height of that kind.
class RowsNearView {
public:
    static constexpr guint kRowsAround = 20;
    static constexpr int kFarRowHeight = 100;

    explicit RowsNearView(Gtk::ListView& list);
    ~RowsNearView();
    RowsNearView(const RowsNearView&) = delete;
    RowsNearView& operator=(const RowsNearView&) = delete;

    // Asked by every row measured at a width: the height the row at `position` answers without
    // laying its description out, or none when it is near the view and shows its exact height.
    std::optional<int> heightAwayFromView(guint position, int width);

private:
    bool isNear(guint position) const;
    void watch();
    void afterLayout();

    Gtk::ListView& list_;
    // The rows on screen at the last layout, with the 20 before and after them: [first, end).
    guint first_ = 0;
    guint end_ = 0;
    int typicalWidth_ = -1;
    int typicalHeight_ = kFarRowHeight;
    // Rows were measured or moved since the last layout: which rows show may have changed.
    bool moved_ = true;
    sigc::connection mapped_;
    sigc::connection unmapped_;
    sigc::connection afterLayout_;
    sigc::connection scrolled_;
    sigc::connection resized_;
};

} // namespace orvane::desktop
