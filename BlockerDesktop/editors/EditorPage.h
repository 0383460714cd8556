#pragma once

#include "window/DetailPage.h"
#include "window/SplitViewController.h"

#include <gtkmm/button.h>

namespace orvane::desktop {

// A page of the detail pane that makes or changes a rule: one of the five editors, or the kind
// chooser of a custom package.
class EditorPage : public DetailPage {
public:
    explicit EditorPage(EditorRequest request) : request_(std::move(request)) {}

    const EditorRequest& request() const { return request_; }
    // Back to the rule list without storing anything; hidden when the package has no rules.
    virtual Gtk::Button& cancelButton() = 0;

private:
    EditorRequest request_;
};

} // namespace orvane::desktop
