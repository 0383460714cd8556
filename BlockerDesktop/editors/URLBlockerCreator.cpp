#include "editors/URLBlockerCreator.h"

namespace orvane::desktop {
namespace {

// Segment titles, in the order of kEditorResourceTypes.
constexpr std::array<const char*, kEditorResourceTypes.size()> kSegmentTitles{
    "Script", "Media", "Image", "Document", "Raw", "SVG", "Popup", "Font", "Style Sheet"};

} // namespace

URLBlockerCreator::URLBlockerCreator(SplitViewController& splitView, EditorRequest request, bool embedded)
    : AbstractBlockerCreator(splitView, std::move(request), Controls{.loadType = true, .domainFilter = true}, embedded),
      fields_("/com/larkmoor/Orvane/editors/URLBlockerCreator.ui", "url_blocker_fields"),
      urlFilter_(fields_.get<Gtk::Entry>("url_filter")) {
    ownControls().append(fields_.root());
    auto* selector = fields_.get<Gtk::FlowBox>("resource_type_selector");
    for (std::size_t segment = 0; segment < kSegmentTitles.size(); ++segment) {
        auto* toggle = Gtk::make_managed<Gtk::ToggleButton>(kSegmentTitles[segment]);
        toggle->set_active(initialInput().resourceTypes.test(segment));
        selector->append(*toggle);
        resourceTypeSegments_[segment] = toggle;
    }
    urlFilter_->set_placeholder_text("(for example, ^https?://([^/]+\\.)?example\\.com/)");
    urlFilter_->set_text(initialInput().urlFilter);
    savesOnEnter(*urlFilter_);
}

void URLBlockerCreator::readOwnControls(EditorInput& input) const {
    input.urlFilter = urlFilter_->get_text();
    for (std::size_t segment = 0; segment < resourceTypeSegments_.size(); ++segment) {
        input.resourceTypes.set(segment, resourceTypeSegments_[segment]->get_active());
    }
}

} // namespace orvane::desktop
