#include "editors/CustomBlockerCreator.h"

#include "editors/EditorTexts.h"
#include "editors/RuleEditors.h"

namespace orvane::desktop {

CustomBlockerCreator::CustomBlockerCreator(SplitViewController& splitView, EditorRequest request)
    : EditorPage(std::move(request)),
      screen_("/com/larkmoor/Orvane/editors/CustomBlockerCreator.ui", "custom_blocker_creator"),
      root_(screen_.get<Gtk::Box>("custom_blocker_creator")), containers_(screen_.get<Gtk::Box>("containers")) {
    const std::string& packageId = this->request().packageId;
    auto package = core::packageSnapshot(packageId);
    screen_.get<Gtk::Label>("package_subtitle")->set_text(package ? (*package)->name : packageId);
    auto* selector = screen_.get<Gtk::Box>("action_type_selector");
    for (std::size_t segment = 0; segment < kActionTypes.size(); ++segment) {
        const ConfigurablePackageType kind = core::editorKindForAction(kActionTypes[segment]);
        auto* toggle = Gtk::make_managed<Gtk::ToggleButton>(kindTitle(kind));
        if (segment > 0) {
            toggle->set_group(*segments_[0]);
        }
        toggle->signal_toggled().connect([this, segment] {
            // Toggling a group reports the segment left as well as the one chosen.
            if (segments_[segment]->get_active()) {
                typeChanged(segment);
            }
        });
        selector->append(*toggle);
        segments_[segment] = toggle;

        EditorRequest embedded{std::string(core::editorIDForKind(kind)), kind, packageId, std::nullopt};
        editors_[segment] = makeKindEditor(embedded, splitView, true);
        containers_->append(editors_[segment]->widget());
    }
    segments_[0]->set_active(true);
    typeChanged(0);
}

CustomBlockerCreator::~CustomBlockerCreator() {
    for (auto& editor : editors_) {
        containers_->remove(editor->widget());
    }
}

void CustomBlockerCreator::typeChanged(std::size_t segment) {
    selected_ = segment;
    for (std::size_t position = 0; position < editors_.size(); ++position) {
        editors_[position]->widget().set_visible(position == segment);
    }
}

} // namespace orvane::desktop
