#include "app/OrvaneApplication.h"

#include "app/CoreBridge.h"

#include <glibmm/miscutils.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/settings.h>
#include <gtkmm/stylecontext.h>

extern "C" void orvane_register_resource(void);

namespace orvane::desktop {
namespace {

void registerResources() {
    static const bool registered = [] {
        orvane_register_resource();
        return true;
    }();
    (void)registered;
}

} // namespace

Glib::RefPtr<OrvaneApplication> OrvaneApplication::create(Gio::Application::Flags flags, std::shared_ptr<Clock> clock) {
    return Glib::make_refptr_for_instance<OrvaneApplication>(new OrvaneApplication(flags, std::move(clock)));
}

OrvaneApplication::OrvaneApplication(Gio::Application::Flags flags, std::shared_ptr<Clock> clock)
    : Gtk::Application(kApplicationId, flags | Gio::Application::Flags::HANDLES_OPEN), clock_(std::move(clock)) {
    registerResources();
    Glib::set_application_name("Orvane");
}

void OrvaneApplication::on_startup() {
    Gtk::Application::on_startup();
    Gtk::Settings::get_default()->property_gtk_application_prefer_dark_theme() = true;
    auto css = Gtk::CssProvider::create();
    css->load_from_resource("/com/larkmoor/Orvane/app/Orvane.css");
    Gtk::StyleContext::add_provider_for_display(Gdk::Display::get_default(), css,
                                                GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    Gtk::Window::set_default_icon_name(kApplicationId);

    addActions();
    // The window exists before the launch, which only looks it up.
    delegate_ = std::make_unique<AppDelegate>(*this, clock_);
}

void OrvaneApplication::on_activate() {
    delegate_->windowController().window().present();
    delegate_->launchOnceDrawn();
}

void OrvaneApplication::on_open(const type_vec_files& files, const Glib::ustring&) {
    on_activate();
    for (const auto& file : files) {
        if (auto path = file->get_path(); !path.empty()) {
            delegate_->openFile(path);
        }
    }
}

void OrvaneApplication::on_shutdown() {
    about_.reset();
    preferences_.reset();
    reportForm_.reset();
    help_.reset();
    inspector_.reset();
    delegate_.reset();
    Gtk::Application::on_shutdown();
}

void OrvaneApplication::addActions() {
    add_action("extension-settings",
               [this] { delegate_->showPreferencesForExtension(core::Extension::contentBlocker); });
    add_action("about", [this] { showAbout(); });
    add_action("quit", [this] {
        // Closing, not quitting at once: the window saves its frame as it closes, and the
        // application ends with its last window.
        for (Gtk::Window* window : get_windows()) {
            window->close();
        }
    });
    add_action("preferences", [this] { showPreferences(); });
    add_action("report-problem", [this] { showReportForm(); });
    add_action("help", [this] { showHelp(); });
    add_action("inspector", [this] { showInspector(); });
    set_accel_for_action("app.quit", "<Control>q");
    set_accel_for_action("win.close", "<Control>w");
    set_accel_for_action("win.find", "<Control>f");
    set_accel_for_action("app.preferences", "<Control>comma");
    set_accel_for_action("app.help", "F1");
    set_accel_for_action("app.inspector", "<Control>i");
}

void OrvaneApplication::showAbout() {
    if (!about_) {
        aboutBuilder_ = Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/app/AboutWindow.ui");
        about_.reset(aboutBuilder_->get_widget<Gtk::AboutDialog>("about_window"));
        about_->set_version(core::applicationVersion() + " (build " + core::buildNumber() + ")");
        std::vector<Glib::ustring> lists;
        std::string licence = "The preinstalled rule lists are written for Orvane and are distributed with it, "
                              "under the same terms as the application:\n";
        for (const auto& name : core::preinstalledPackageNames()) {
            lists.emplace_back(name);
            licence += "\n• " + name;
        }
        about_->set_license(licence);
        if (!lists.empty()) {
            about_->add_credit_section("Preinstalled lists", lists);
        }
    }
    if (auto* controller = delegate_->mainWindowController()) {
        about_->set_transient_for(controller->window());
    }
    about_->present();
}

Gtk::Window* OrvaneApplication::mainWindow() {
    auto* controller = delegate_ ? delegate_->mainWindowController() : nullptr;
    return controller != nullptr ? &controller->window() : nullptr;
}

PreferencesVC& OrvaneApplication::showPreferences() {
    if (!preferences_) {
        preferences_ = std::make_unique<PreferencesVC>();
    }
    preferences_->present(mainWindow());
    return *preferences_;
}

ReportVC& OrvaneApplication::showReportForm() {
    if (!reportForm_) {
        reportForm_ = std::make_unique<ReportVC>();
    }
    reportForm_->present(mainWindow(), inspectedAddress_);
    return *reportForm_;
}

HelpVC& OrvaneApplication::showHelp() {
    if (!help_) {
        help_ = std::make_unique<HelpVC>();
    }
    help_->present(mainWindow());
    return *help_;
}

InspectorVC& OrvaneApplication::showInspector() {
    if (!inspector_) {
        inspector_ = std::make_unique<InspectorVC>(clock_);
        inspector_->setAddressObserver([this](const std::string& address) { noteInspectedAddress(address); });
    }
    inspector_->present(mainWindow());
    return *inspector_;
}

} // namespace orvane::desktop
