#pragma once

#include "app/AppDelegate.h"
#include "window/Clock.h"

#include <gtkmm/aboutdialog.h>
#include <gtkmm/application.h>
#include <gtkmm/builder.h>

#include <memory>

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

protected:
    OrvaneApplication(Gio::Application::Flags flags, std::shared_ptr<Clock> clock);

    void on_startup() override;
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;
    void on_shutdown() override;

private:
    void addActions();

    std::shared_ptr<Clock> clock_;
    std::unique_ptr<AppDelegate> delegate_;
    Glib::RefPtr<Gtk::Builder> aboutBuilder_;
    std::unique_ptr<Gtk::AboutDialog> about_;
};

} // namespace orvane::desktop
