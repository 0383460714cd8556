#pragma once

#include "editors/DomainTable.h"
#include "editors/EditorPage.h"
#include "window/BuiltScreen.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/dropdown.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/togglebutton.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace orvane::desktop {

// The controls every rule editor has (AbstractBlockerCreator.ui): the name, the load type, the
// domain filter over the domain table, "Include subdomains", Cancel and Save. An editor fills
// them from the rule it edits, hides the ones its kind of rule does not take, and adds its own
// fields; Save builds the rule from what they hold and stores it through the rule services.
class AbstractBlockerCreator : public EditorPage {
public:
    ~AbstractBlockerCreator() override;

    Gtk::Widget& widget() override { return *root_; }
    Gtk::Button& cancelButton() override { return *cancelButton_; }

    Gtk::Entry& nameField() { return *nameField_; }
    Gtk::Button& saveButton() { return *saveButton_; }
    // Segment 0 takes both load types, 1 first-party only, 2 third-party only.
    Gtk::ToggleButton& loadTypeSegment(int segment) { return *loadTypeSegments_.at(std::size_t(segment)); }
    Gtk::Widget& loadTypeSegmentedControl() { return *loadTypeRow_; }
    // Items: all domains, if domain, unless domain.
    Gtk::DropDown& domainFilterSelector() { return *domainFilterSelector_; }
    // The box around the domain table and its subdomain box.
    Gtk::Widget& domainsTableStackView() { return *domainsBox_; }
    DomainTable& tableView() { return *table_; }
    Gtk::CheckButton& includeSubdomainsCheck() { return *includeSubdomainsCheck_; }
    // The last failed save's message, shown under the fields until the next save.
    Gtk::Label& errorLabel() { return *errorLabel_; }

    // What the controls hold now.
    EditorInput input() const;
    void saveTapped();
    void cancelTapped();

protected:
    struct Controls {
        bool loadType = false;
        bool domainFilter = false;
    };
    // `embedded` for an editor inside the kind chooser, which shows the title itself.
    AbstractBlockerCreator(SplitViewController& splitView, EditorRequest request, Controls controls, bool embedded);

    // The stored rule's controls, or empty ones for a new rule.
    const EditorInput& initialInput() const { return initial_; }
    // Where an editor puts its own fields, between the name and the load type.
    Gtk::Box& ownControls() {
        ownControls_->set_visible(true);
        return *ownControls_;
    }
    // Enter in one of the editor's own fields saves, as in the name field.
    void savesOnEnter(Gtk::Entry& field);

    // The editor's own fields into `input`; an editor without fields of its own adds nothing.
    virtual void readOwnControls(EditorInput&) const {}

private:
    void domainFilterDidChange();
    void showError(const std::string& message);

    SplitViewController& splitView_;
    Controls controls_;
    EditorInput initial_;
    BuiltScreen screen_;
    Gtk::ScrolledWindow* root_;
    Gtk::Box* ownControls_;
    Gtk::Entry* nameField_;
    Gtk::Widget* loadTypeRow_;
    std::array<Gtk::ToggleButton*, 3> loadTypeSegments_;
    Gtk::DropDown* domainFilterSelector_;
    Gtk::Frame* domainsBox_;
    Gtk::CheckButton* includeSubdomainsCheck_;
    Gtk::Label* errorLabel_;
    Gtk::Button* cancelButton_;
    Gtk::Button* saveButton_;
    std::unique_ptr<DomainTable> table_;
};

} // namespace orvane::desktop
