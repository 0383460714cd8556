#include "editors/CSSBlockerCreator.h"

namespace orvane::desktop {

CSSBlockerCreator::CSSBlockerCreator(SplitViewController& splitView, EditorRequest request, bool embedded)
    : AbstractBlockerCreator(splitView, std::move(request), Controls{.loadType = false, .domainFilter = true},
                             embedded),
      fields_("/com/larkmoor/Orvane/editors/CSSBlockerCreator.ui", "css_blocker_fields"),
      selectorTextField_(fields_.get<Gtk::Entry>("selector_text_field")) {
    ownControls().append(fields_.root());
    selectorTextField_->set_text(initialInput().selector);
    savesOnEnter(*selectorTextField_);
}

void CSSBlockerCreator::readOwnControls(EditorInput& input) const { input.selector = selectorTextField_->get_text(); }

} // namespace orvane::desktop
