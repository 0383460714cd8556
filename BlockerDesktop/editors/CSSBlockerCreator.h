#pragma once

#include "editors/AbstractBlockerCreator.h"

namespace orvane::desktop {

// Hides the elements a CSS selector matches (CSSBlockerCreator.ui), on every site or on the
// domains of its filter.
class CSSBlockerCreator : public AbstractBlockerCreator {
public:
    CSSBlockerCreator(SplitViewController& splitView, EditorRequest request, bool embedded);

    Gtk::Entry& selectorTextField() { return *selectorTextField_; }

protected:
    void readOwnControls(EditorInput& input) const override;

private:
    BuiltScreen fields_;
    Gtk::Entry* selectorTextField_;
};

} // namespace orvane::desktop
