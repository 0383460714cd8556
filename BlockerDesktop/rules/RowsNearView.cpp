#include "rules/RowsNearView.h"

#include "rules/RuleCell.h"

#include <gdkmm/frameclock.h>

#include <algorithm>
#include <vector>

namespace orvane::desktop {
namespace {

// The rows alive in the list view, in no particular order.
template <typename Visit>
void forEachCell(Gtk::ListView& list, Visit visit) {
    for (Gtk::Widget* row = list.get_first_child(); row != nullptr; row = row->get_next_sibling()) {
        if (RuleCell* cell = RuleCell::ofRow(row); cell != nullptr && cell->item()) {
            // GTK allocates the rows that show and hides the others it keeps.
            visit(*cell, row->get_child_visible());
        }
    }
}

} // namespace

RowsNearView::RowsNearView(Gtk::ListView& list) : list_(list) {
    mapped_ = list_.signal_map().connect([this] { watch(); });
    unmapped_ = list_.signal_unmap().connect([this] {
        afterLayout_.disconnect();
        scrolled_.disconnect();
        resized_.disconnect();
    });
}

RowsNearView::~RowsNearView() {
    for (auto* connection : {&mapped_, &unmapped_, &afterLayout_, &scrolled_, &resized_}) {
        connection->disconnect();
    }
}

void RowsNearView::watch() {
    moved_ = true;
    // The window's layout is a handler of the frame clock's: the rows are placed after it.
    afterLayout_ = list_.get_frame_clock()->signal_layout().connect([this] { afterLayout(); }, true);
    // Scrolling moves the rows without measuring them; so does a taller view.
    if (auto adjustment = list_.get_vadjustment()) {
        scrolled_ = adjustment->signal_value_changed().connect([this] { moved_ = true; });
        resized_ = adjustment->signal_changed().connect([this] { moved_ = true; });
    }
}

bool RowsNearView::isNear(guint position) const {
    return position < kRowsAround || (position >= first_ && position < end_);
}

std::optional<int> RowsNearView::heightAwayFromView(guint position, int width) {
    moved_ = true;
    if (isNear(position)) {
        return std::nullopt;
    }
    return width == typicalWidth_ ? typicalHeight_ : kFarRowHeight;
}

void RowsNearView::afterLayout() {
    if (!moved_) {
        return;
    }
    moved_ = false;
    std::optional<guint> first;
    guint last = 0;
    int width = -1;
    bool estimates = false;
    std::vector<int> exactHeights;
    forEachCell(list_, [&](RuleCell& cell, bool shown) {
        estimates = estimates || cell.holdsEstimate();
        if (shown) {
            first = std::min(first.value_or(cell.position()), cell.position());
            last = std::max(last, cell.position());
            width = cell.get_width();
            if (!cell.holdsEstimate()) {
                exactHeights.push_back(cell.get_height());
            }
        }
    });
    if (!first) {
        return;
    }
    first_ = *first > kRowsAround ? *first - kRowsAround : 0;
    end_ = last + kRowsAround;
    if (!estimates) {
        return;
    }
    // The first rows shown at a width give the typical height there.
    const bool learned = width != typicalWidth_ && !exactHeights.empty();
    if (learned) {
        const auto middle = exactHeights.begin() + std::ptrdiff_t(exactHeights.size() / 2);
        std::nth_element(exactHeights.begin(), middle, exactHeights.end());
        typicalWidth_ = width;
        typicalHeight_ = *middle;
    }
    forEachCell(list_, [&](RuleCell& cell, bool) {
        if (cell.holdsEstimate() && (learned || isNear(cell.position()))) {
            cell.queue_resize();
        }
    });
}

} // namespace orvane::desktop
