#include "extensions/ExtensionSettingsWindow.h"

#include "platform/Log.h"

namespace orvane::desktop {

ExtensionSettingsWindow::ExtensionSettingsWindow()
    : builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/extensions/ExtensionSettingsWindow.ui")),
      window_(builder_->get_widget<Gtk::Window>("extension_settings_window")),
      browserSections_(builder_->get_widget<Gtk::Box>("browser_sections")),
      contentBlocker_(builder_->get_widget<Gtk::Switch>("content_blocker_switch")),
      appExtension_(builder_->get_widget<Gtk::Switch>("app_extension_switch")) {
    for (auto extension : {core::Extension::contentBlocker, core::Extension::appExtension}) {
        Gtk::Switch& control = toggle(extension);
        control.property_active().signal_changed().connect([this, extension, &control] {
            if (!updating_) {
                switched(extension, control.get_active());
            }
        });
    }
}

Gtk::Switch& ExtensionSettingsWindow::toggle(core::Extension extension) {
    return extension == core::Extension::contentBlocker ? *contentBlocker_ : *appExtension_;
}

std::string ExtensionSettingsWindow::present(core::Extension extension, Gtk::Window* parent) {
    std::string error = refresh();
    if (parent != nullptr) {
        window_->set_transient_for(*parent);
    }
    window_->present();
    if (toggle(extension).get_sensitive()) {
        toggle(extension).grab_focus();
    }
    return error;
}

std::string ExtensionSettingsWindow::refresh() {
    std::string firstError;
    updating_ = true;
    for (auto extension : {core::Extension::contentBlocker, core::Extension::appExtension}) {
        std::string error;
        auto enabled = core::isExtensionEnabled(extension, error);
        toggle(extension).set_sensitive(enabled.has_value());
        toggle(extension).set_active(enabled.value_or(false));
        if (!enabled && firstError.empty()) {
            firstError = error;
        }
    }
    updating_ = false;
    return firstError;
}

void ExtensionSettingsWindow::switched(core::Extension extension, bool on) {
    std::string error;
    if (!core::setExtensionEnabled(extension, on, error)) {
        log("Can't change the extension's setting: " + error);
        refresh();
    }
}

} // namespace orvane::desktop
