#include "editors/AbstractBlockerCreator.h"

#include "editors/EditorTexts.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/shortcutcontroller.h>

namespace orvane::desktop {

AbstractBlockerCreator::AbstractBlockerCreator(SplitViewController& splitView, EditorRequest request,
                                               Controls controls, bool embedded)
    : EditorPage(std::move(request)), splitView_(splitView), controls_(controls),
      screen_("/com/larkmoor/Orvane/editors/AbstractBlockerCreator.ui", "scroll_view"),
      root_(screen_.get<Gtk::ScrolledWindow>("scroll_view")), ownControls_(screen_.get<Gtk::Box>("own_controls")),
      nameField_(screen_.get<Gtk::Entry>("name_field")), loadTypeRow_(screen_.get<Gtk::Widget>("load_type_row")),
      loadTypeSegments_{screen_.get<Gtk::ToggleButton>("load_type_any"),
                        screen_.get<Gtk::ToggleButton>("load_type_first_party"),
                        screen_.get<Gtk::ToggleButton>("load_type_third_party")},
      domainFilterSelector_(screen_.get<Gtk::DropDown>("domain_filter_selector")),
      domainsBox_(screen_.get<Gtk::Frame>("domains_table_stack_view")),
      includeSubdomainsCheck_(screen_.get<Gtk::CheckButton>("include_subdomains_check")),
      errorLabel_(screen_.get<Gtk::Label>("error_label")), cancelButton_(screen_.get<Gtk::Button>("cancel_button")),
      saveButton_(screen_.get<Gtk::Button>("save_button")) {
    const EditorRequest& req = this->request();
    auto package = core::packageSnapshot(req.packageId);
    if (req.ruleId) {
        auto stored = splitView_.services().rules().editorInput(req.packageId, *req.ruleId);
        if (stored) {
            initial_ = std::move(*stored);
        } else {
            log(stored.error().message);
            showError(stored.error().message);
        }
    }

    auto* header = screen_.get<Gtk::Widget>("header");
    auto* stack = screen_.get<Gtk::Widget>("stack_view");
    if (embedded) {
        header->set_visible(false);
        stack->add_css_class("embedded");
    } else {
        screen_.get<Gtk::Label>("editor_title")->set_text(req.ruleId ? "Edit Rule" : "New Rule");
        // A configurable package is named after its kind already.
        const std::string packageName = package ? (*package)->name : req.packageId;
        const bool ownKind = core::packageKind(req.packageId).has_value();
        screen_.get<Gtk::Label>("editor_subtitle")
            ->set_text(ownKind ? packageName : kindTitle(*req.kind) + " \u00b7 " + packageName);
    }
    screen_.get<Gtk::Label>("editor_hint")->set_text(kindHint(*req.kind));

    // Without rules there is no list to go back to.
    cancelButton_->set_visible(package && !(*package)->rules.empty());
    nameField_->set_text(initial_.name);
    savesOnEnter(*nameField_);

    loadTypeRow_->set_visible(controls_.loadType);
    if (initial_.loadTypeSegment > 0 && initial_.loadTypeSegment < int(loadTypeSegments_.size())) {
        loadTypeSegments_[std::size_t(initial_.loadTypeSegment)]->set_active(true);
    }

    domainFilterSelector_->set_visible(controls_.domainFilter);
    if (controls_.domainFilter) {
        domainFilterSelector_->set_selected(guint(initial_.domainFilter));
        domainFilterSelector_->property_selected().signal_changed().connect([this] { domainFilterDidChange(); });
    }
    domainFilterDidChange();
    includeSubdomainsCheck_->set_active(initial_.includeSubdomains);
    table_ = std::make_unique<DomainTable>(*screen_.get<Gtk::Box>("table_view"), initial_.domainRows,
                                           splitView_.clock());
    table_->onActivateEmptyLastRow = [this] { saveTapped(); };

    cancelButton_->signal_clicked().connect([this] { cancelTapped(); });
    saveButton_->signal_clicked().connect([this] { saveTapped(); });
    auto shortcuts = Gtk::ShortcutController::create();
    shortcuts->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(GDK_KEY_Escape),
                                                  Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) {
                                                      if (!cancelButton_->get_visible()) {
                                                          return false;
                                                      }
                                                      cancelTapped();
                                                      return true;
                                                  })));
    root_->add_controller(shortcuts);
}

AbstractBlockerCreator::~AbstractBlockerCreator() = default;

void AbstractBlockerCreator::savesOnEnter(Gtk::Entry& field) {
    field.signal_activate().connect([this] { saveTapped(); });
}

void AbstractBlockerCreator::domainFilterDidChange() {
    // The domains of an exemption or an HTTPS rule are its whole point: their table always shows.
    domainsBox_->set_visible(!controls_.domainFilter || domainFilterSelector_->get_selected() != 0);
}

EditorInput AbstractBlockerCreator::input() const {
    EditorInput input;
    input.name = nameField_->get_text();
    for (std::size_t segment = 0; segment < loadTypeSegments_.size(); ++segment) {
        if (loadTypeSegments_[segment]->get_active()) {
            input.loadTypeSegment = int(segment);
        }
    }
    if (controls_.domainFilter) {
        const guint item = domainFilterSelector_->get_selected();
        input.domainFilter = item <= 2 ? DomainFilterSelector(item) : DomainFilterSelector::All;
    }
    input.domainRows = table_->domains();
    input.includeSubdomains = includeSubdomainsCheck_->get_active();
    readOwnControls(input);
    return input;
}

void AbstractBlockerCreator::saveTapped() {
    const EditorRequest& req = request();
    auto saved = splitView_.services().rules().saveRule(req.packageId, *req.kind, input(), req.ruleId);
    if (!saved) {
        // A builder's refusal has been shown already; anything else is shown here.
        if (saved.error().code != core::ServiceErrorCode::RuleNotBuilt) {
            showMessage(saved.error().message, true);
        }
        showError(saved.error().message);
        return;
    }
    // Replaces this editor: nothing of it runs after this.
    splitView_.closeEditor(req.packageId);
}

void AbstractBlockerCreator::cancelTapped() { splitView_.closeEditor(request().packageId); }

void AbstractBlockerCreator::showError(const std::string& message) {
    errorLabel_->set_text(message);
    errorLabel_->set_visible(true);
}

} // namespace orvane::desktop
