#include "window/EditorPlaceholder.h"

namespace orvane::desktop {

EditorPlaceholder::EditorPlaceholder(const EditorRequest& request, SplitViewController& splitView)
    : request_(request), screen_("/com/larkmoor/Orvane/window/EditorPlaceholder.ui", "editor_placeholder"),
      root_(screen_.get<Gtk::Box>("editor_placeholder")),
      identifier_(screen_.get<Gtk::Label>("editor_identifier")),
      package_(screen_.get<Gtk::Label>("editor_package")),
      cancel_(screen_.get<Gtk::Button>("cancel_button")) {
    auto package = core::packageSnapshot(request.packageId);
    const std::string name = package ? (*package)->name : request.packageId;
    screen_.get<Gtk::Label>("editor_title")->set_text(request.ruleId ? "Edit Rule" : "New Rule");
    identifier_->set_text(request.editorID);
    package_->set_text("in the package \u201c" + name + "\u201d");
    cancel_->set_visible(package && !(*package)->rules.empty());
    cancel_->signal_clicked().connect(
        [&splitView, packageId = request.packageId] { splitView.closeEditor(packageId); });
}

EditorPlaceholder::~EditorPlaceholder() = default;

} // namespace orvane::desktop
