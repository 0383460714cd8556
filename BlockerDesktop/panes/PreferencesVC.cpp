#include "panes/PreferencesVC.h"

#include "panes/PaneWindows.h"

#include "app/CoreBridge.h"

namespace orvane::desktop {

PreferencesVC::PreferencesVC()
    : builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/panes/PreferencesVC.ui")),
      window_(builder_->get_widget<Gtk::Window>("preferences_window")),
      localPrefs_(builder_->get_widget<Gtk::CheckButton>("local_prefs")),
      betaDisclaimerMessage_(builder_->get_widget<Gtk::Label>("beta_disclaimer_message")) {
    closeOnEscape(*window_);
    localPrefs_->set_visible(true);
    betaDisclaimerMessage_->set_visible(false);
    refresh();
    localPrefs_->signal_toggled().connect([this] {
        if (!updating_) {
            localPrefsSettingDidChange();
        }
    });
}

void PreferencesVC::present(Gtk::Window* parent) {
    refresh();
    if (parent != nullptr) {
        window_->set_transient_for(*parent);
    }
    window_->present();
}

void PreferencesVC::refresh() {
    updating_ = true;
    localPrefs_->set_active(core::storesPreferencesLocally());
    updating_ = false;
}

void PreferencesVC::localPrefsSettingDidChange() { core::setStorePreferencesLocally(localPrefs_->get_active()); }

} // namespace orvane::desktop
