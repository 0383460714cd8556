#pragma once

#include "app/CoreBridge.h"

#include <gtkmm/box.h>
#include <gtkmm/builder.h>
#include <gtkmm/switch.h>
#include <gtkmm/window.h>

#include <memory>

namespace orvane::desktop {

// The browser's settings for Orvane's extensions (ExtensionSettingsWindow.ui): a switch for the
// content blocker and one for the app extension, each read from and written to the browser's
// extension settings. Other browsers' rows go in browserSections().
class ExtensionSettingsWindow {
public:
    ExtensionSettingsWindow();
    ExtensionSettingsWindow(const ExtensionSettingsWindow&) = delete;
    ExtensionSettingsWindow& operator=(const ExtensionSettingsWindow&) = delete;

    // Re-reads the settings and brings the window up with the extension's switch focused.
    // Answers the error's text when the settings cannot be read; the window shows all the same,
    // with the switches it could not read made insensitive.
    std::string present(core::Extension extension, Gtk::Window* parent);

    Gtk::Window& window() { return *window_; }
    Gtk::Switch& toggle(core::Extension extension);
    Gtk::Box& browserSections() { return *browserSections_; }

private:
    std::string refresh();
    void switched(core::Extension extension, bool on);

    Glib::RefPtr<Gtk::Builder> builder_;
    std::unique_ptr<Gtk::Window> window_;
    Gtk::Box* browserSections_;
    Gtk::Switch* contentBlocker_;
    Gtk::Switch* appExtension_;
    // Set while the window itself moves a switch, so that moving it writes nothing.
    bool updating_ = false;
};

} // namespace orvane::desktop
