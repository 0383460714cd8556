#pragma once

#include "editors/AbstractBlockerCreator.h"

#include <gtkmm/flowbox.h>

namespace orvane::desktop {

// Blocks what a URL filter matches (URLBlockerCreator.ui): the filter, a regular expression, and
// the resource-type segments in the order of kEditorResourceTypes, several of which may be on.
class URLBlockerCreator : public AbstractBlockerCreator {
public:
    URLBlockerCreator(SplitViewController& splitView, EditorRequest request, bool embedded);

    Gtk::Entry& urlFilter() { return *urlFilter_; }
    Gtk::ToggleButton& resourceTypeSegment(std::size_t segment) { return *resourceTypeSegments_.at(segment); }

protected:
    void readOwnControls(EditorInput& input) const override;

private:
    BuiltScreen fields_;
    Gtk::Entry* urlFilter_;
    std::array<Gtk::ToggleButton*, kEditorResourceTypes.size()> resourceTypeSegments_{};
};

} // namespace orvane::desktop
