#pragma once

#include "app/AppDelegate.h"
#include "inspector/InspectorVC.h"
#include "panes/HelpVC.h"
#include "panes/PreferencesVC.h"
#include "panes/ReportVC.h"
#include "window/Clock.h"

#include <gtkmm/aboutdialog.h>
#include <gtkmm/application.h>
#include <gtkmm/builder.h>

#include <memory>
#include <optional>
#include <string>

namespace orvane::desktop {

// The GTK application: one instance per user (a second `orvane FILE` hands the file to the
// first), the dark theme, the application's actions and keys, and the delegate that brings
// the system up.
class OrvaneApplication : public Gtk::Application {
public:
    static constexpr const char* kApplicationId = "com.larkmoor.Orvane";

    // `flags` adds to the defaults (opening files); tests add NON_UNIQUE and a clock of their own.
    static Glib::RefPtr<OrvaneApplication> create(Gio::Application::Flags flags = Gio::Application::Flags::NONE,
                                                  std::shared_ptr<Clock> clock = Clock::mainLoop());

    // Present from startup on.
    AppDelegate* delegate() { return delegate_.get(); }
    // The About window once it has been asked for.
    Gtk::AboutDialog* aboutWindow() { return about_.get(); }
    void showAbout();

    // The panes of the menu, made when first asked for and kept, with what they hold, until the
    // application ends.
    PreferencesVC& showPreferences();
    ReportVC& showReportForm();
    HelpVC& showHelp();
    InspectorVC& showInspector();
    PreferencesVC* preferencesPane() { return preferences_.get(); }
    ReportVC* reportForm() { return reportForm_.get(); }
    HelpVC* helpPane() { return help_.get(); }
    InspectorVC* inspector() { return inspector_.get(); }
    // The address the inspector looked at last: the report form offers it.
    void noteInspectedAddress(const std::string& address) { inspectedAddress_ = address; }

protected:
    OrvaneApplication(Gio::Application::Flags flags, std::shared_ptr<Clock> clock);

    void on_startup() override;
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;
    void on_shutdown() override;

private:
    void addActions();
    Gtk::Window* mainWindow();

    std::shared_ptr<Clock> clock_;
    std::unique_ptr<AppDelegate> delegate_;
    Glib::RefPtr<Gtk::Builder> aboutBuilder_;
    std::unique_ptr<Gtk::AboutDialog> about_;
    std::unique_ptr<PreferencesVC> preferences_;
    std::unique_ptr<ReportVC> reportForm_;
    std::unique_ptr<HelpVC> help_;
    std::unique_ptr<InspectorVC> inspector_;
    std::optional<std::string> inspectedAddress_;
};

} // namespace orvane::desktop
