#pragma once

#include "editors/AbstractBlockerCreator.h"
#include "editors/EditorPage.h"
#include "window/BuiltScreen.h"

#include <gtkmm/box.h>
#include <gtkmm/togglebutton.h>

#include <array>
#include <memory>

namespace orvane::desktop {

// A new rule of a custom package (CustomBlockerCreator.ui): a segment per kind of rule, in the
// order of kActionTypes, and the editor of each kind beneath, one shown at a time. The editors
// only ever make new rules.
class CustomBlockerCreator : public EditorPage {
public:
    static constexpr std::array kActionTypes{ActionType::Block, ActionType::BlockCookies, ActionType::Hide,
                                             ActionType::IgnorePreviousRules, ActionType::makeHttps};

    CustomBlockerCreator(SplitViewController& splitView, EditorRequest request);
    ~CustomBlockerCreator() override;

    Gtk::Widget& widget() override { return *root_; }
    // The shown editor's Cancel.
    Gtk::Button& cancelButton() override { return selectedEditor().cancelButton(); }

    Gtk::ToggleButton& actionTypeSegment(std::size_t segment) { return *segments_.at(segment); }
    std::size_t selectedSegment() const { return selected_; }
    AbstractBlockerCreator& editor(std::size_t segment) { return *editors_.at(segment); }
    AbstractBlockerCreator& selectedEditor() { return *editors_.at(selected_); }

private:
    void typeChanged(std::size_t segment);

    BuiltScreen screen_;
    Gtk::Box* root_;
    Gtk::Box* containers_;
    std::array<Gtk::ToggleButton*, kActionTypes.size()> segments_{};
    std::array<std::unique_ptr<AbstractBlockerCreator>, kActionTypes.size()> editors_;
    std::size_t selected_ = 0;
};

} // namespace orvane::desktop
