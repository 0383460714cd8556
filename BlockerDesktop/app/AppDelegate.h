#pragma once

#include "app/CoreBridge.h"
#include "extensions/ExtensionSettingsWindow.h"
#include "platform/NotificationCenter.h"
#include "window/Clock.h"
#include "window/DarkWindowController.h"
#include "window/SplitViewController.h"

#include <gtkmm/application.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace orvane::desktop {

// The order in which the application comes up, and its answers to application-wide events:
// opened package files, information messages, the disabled content blocker, the first-launch
// check of the browser extensions. The core behind it is reached through CoreBridge.
class AppDelegate {
public:
    AppDelegate(Gtk::Application& application, std::shared_ptr<Clock> clock);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Runs the launch sequence once the main window has drawn its first frame, so the window
    // is up at once even when a new build loads a large catalog first.
    void launchOnceDrawn();
    // Runs the launch sequence with the window's hooks, then imports the files opened so far.
    void applicationDidFinishLaunching();
    bool hasLaunched() const { return launched_; }
    // Imports a package file, now or right after the launch sequence. Always answers yes:
    // whatever the import makes of the file, it tells the user itself.
    bool openFile(const std::filesystem::path& path);

    // The main window's controller while its window belongs to the application, else none.
    DarkWindowController* mainWindowController();
    // The window itself, even once it has been closed.
    DarkWindowController& windowController() { return *windowController_; }
    // The package list and the detail pane, from the launch on.
    SplitViewController* splitViewController() { return splitView_.get(); }

    // What the browser's "open the settings of this extension" does here.
    void showPreferencesForExtension(core::Extension extension);
    ExtensionSettingsWindow* extensionSettings() { return extensionSettings_.get(); }

    void firstLaunchExtensionCheck();
    void displayInformation(const Notification& note);
    void triedUpdatingDisabledBlockerExtension();

private:
    void showIntroUnless(bool enabled);
    // Switches off the rule a refused list was searched down to.
    void disableRejectedRule(const std::string& packageId, const std::string& ruleId);
    // Runs `work` on the main queue if the delegate still lives then.
    void later(std::function<void(AppDelegate&)> work);

    Gtk::Application& application_;
    std::shared_ptr<Clock> clock_;
    std::unique_ptr<DarkWindowController> windowController_;
    std::unique_ptr<ExtensionSettingsWindow> extensionSettings_;
    std::unique_ptr<core::RunningCore> core_;
    // Works on the core's services, so it goes before them.
    std::unique_ptr<SplitViewController> splitView_;
    sigc::connection firstFrame_;
    bool launched_ = false;
    std::vector<std::filesystem::path> pendingFiles_;
    ObserverRegistration informationMessages_;
    ObserverRegistration disabledContentBlocker_;
    std::shared_ptr<AppDelegate*> self_ = std::make_shared<AppDelegate*>(this);
};

} // namespace orvane::desktop
