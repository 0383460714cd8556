#pragma once

#include "window/BuiltScreen.h"
#include "window/DetailPage.h"
#include "window/SplitViewController.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

namespace orvane::desktop {

// What the detail pane shows for a rule editor while no editor factory is installed: the editor's
// identifier and the package, and Cancel back to the rule list (hidden, as in the editors, when
// the package has no rules to go back to).
class EditorPlaceholder : public DetailPage {
public:
    EditorPlaceholder(const EditorRequest& request, SplitViewController& splitView);
    ~EditorPlaceholder() override;

    Gtk::Widget& widget() override { return *root_; }
    const EditorRequest& request() const { return request_; }
    Gtk::Label& identifierLabel() { return *identifier_; }
    Gtk::Label& packageLabel() { return *package_; }
    Gtk::Button& cancelButton() { return *cancel_; }

private:
    EditorRequest request_;
    BuiltScreen screen_;
    Gtk::Box* root_;
    Gtk::Label* identifier_;
    Gtk::Label* package_;
    Gtk::Button* cancel_;
};

} // namespace orvane::desktop
