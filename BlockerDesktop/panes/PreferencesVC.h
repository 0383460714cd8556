#pragma once

#include <gtkmm/builder.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <memory>

namespace orvane::desktop {

// The preferences pane (PreferencesVC.ui): whether the switches of packages and rules are kept
// on this computer only or in the cloud, shared by the user's computers.
class PreferencesVC {
public:
    PreferencesVC();
    PreferencesVC(const PreferencesVC&) = delete;
    PreferencesVC& operator=(const PreferencesVC&) = delete;

    // Shows the setting as it is now (another process may have changed it) and brings the
    // window up.
    void present(Gtk::Window* parent);

    Gtk::Window& window() { return *window_; }
    Gtk::CheckButton& localPrefs() { return *localPrefs_; }
    Gtk::Label& betaDisclaimerMessage() { return *betaDisclaimerMessage_; }

private:
    void refresh();
    // The checkbox's action: the new choice is written, then the switches move.
    void localPrefsSettingDidChange();

    Glib::RefPtr<Gtk::Builder> builder_;
    std::unique_ptr<Gtk::Window> window_;
    Gtk::CheckButton* localPrefs_;
    Gtk::Label* betaDisclaimerMessage_;
    // Set while the pane itself sets the checkbox, so that showing the setting changes nothing.
    bool updating_ = false;
};

} // namespace orvane::desktop
