#include "app/AppDelegate.h"

#include "platform/Log.h"
#include "rules/PackageVC.h"
#include "window/LaterOnMain.h"

#include <gdkmm/frameclock.h>

#include <sstream>
#include <utility>
#include <variant>

namespace orvane::desktop {
namespace {

std::string describe(const UserInfo& userInfo) {
    std::ostringstream text;
    text << "{";
    const char* separator = "";
    for (const auto& [key, value] : userInfo) {
        text << separator << key << ": ";
        std::visit(
            [&text](const auto& item) {
                using Item = std::decay_t<decltype(item)>;
                if constexpr (std::is_same_v<Item, bool>) {
                    text << (item ? "true" : "false");
                } else if constexpr (std::is_same_v<Item, std::string>) {
                    text << '"' << item << '"';
                } else {
                    text << item;
                }
            },
            value);
        separator = ", ";
    }
    text << "}";
    return text.str();
}

} // namespace

AppDelegate::AppDelegate(Gtk::Application& application, std::shared_ptr<Clock> clock)
    : application_(application), clock_(std::move(clock)),
      windowController_(std::make_unique<DarkWindowController>(
          [this] { showPreferencesForExtension(core::Extension::contentBlocker); }, clock_)) {
    application_.add_window(windowController_->window());
}

AppDelegate::~AppDelegate() {
    firstFrame_.disconnect();
    splitView_.reset();
}

void AppDelegate::later(std::function<void(AppDelegate&)> work) { laterOnMain(self_, std::move(work)); }

void AppDelegate::launchOnceDrawn() {
    if (launched_ || firstFrame_.connected()) {
        return;
    }
    auto clock = windowController_->window().get_frame_clock();
    if (!clock) {
        applicationDidFinishLaunching();
        return;
    }
    // After the window's own handler, which draws the frame.
    firstFrame_ = clock->signal_paint().connect(
        [this] {
            firstFrame_.disconnect();
            later([](AppDelegate& self) { self.applicationDidFinishLaunching(); });
        },
        true);
}

void AppDelegate::applicationDidFinishLaunching() {
    if (launched_) {
        return;
    }
    core::WindowLaunchSteps steps;
    steps.firstLaunchExtensionCheck = [this] { firstLaunchExtensionCheck(); };
    steps.registerInformationMessages = [this] {
        informationMessages_ = ObserverRegistration(kDisplayInformation, [this](const Notification& note) {
            // Posted on any thread; the window is the main thread's.
            later([note](AppDelegate& self) { self.displayInformation(note); });
        });
    };
    // The launch's first rebuild asks the browser for the blocker's state at its first step, and
    // the answer comes on the browser's thread while the launch goes on: an observer registered
    // at the launch's later step would miss a quick "disabled". So it is there before the launch.
    disabledContentBlocker_ = core::observeDisabledContentBlocker(
        [this] { later([](AppDelegate& self) { self.triedUpdatingDisabledBlockerExtension(); }); });
    core_ = core::launch(steps);
    splitView_ = std::make_unique<SplitViewController>(*windowController_, core_->services(), clock_);
    launched_ = true;
    for (const auto& path : std::exchange(pendingFiles_, {})) {
        core_->importPackageFile(path);
    }
}

bool AppDelegate::openFile(const std::filesystem::path& path) {
    if (launched_) {
        core_->importPackageFile(path);
    } else {
        pendingFiles_.push_back(path);
    }
    return true;
}

DarkWindowController* AppDelegate::mainWindowController() {
    for (const Gtk::Window* window : application_.get_windows()) {
        if (window == &windowController_->window()) {
            return windowController_.get();
        }
    }
    return nullptr;
}

void AppDelegate::showPreferencesForExtension(core::Extension extension) {
    if (!extensionSettings_) {
        // Not one of the application's windows: it belongs with the main window and goes when
        // that one closes the application.
        extensionSettings_ = std::make_unique<ExtensionSettingsWindow>();
    }
    auto* controller = mainWindowController();
    const std::string error =
        extensionSettings_->present(extension, controller != nullptr ? &controller->window() : nullptr);
    if (!error.empty()) {
        log("Error launching the extension's preferences: " + error);
    }
}

void AppDelegate::firstLaunchExtensionCheck() {
    core::queryExtensionState(core::Extension::contentBlocker, [weak = std::weak_ptr<AppDelegate*>(self_)](
                                                                   std::optional<bool> enabled, const std::string& error) {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        if (!enabled) {
            log("Can't check blocker state " + error);
            return;
        }
        if (!*enabled) {
            (*self)->showIntroUnless(false);
            return;
        }
        core::queryExtensionState(core::Extension::appExtension,
                                  [weak](std::optional<bool> appEnabled, const std::string& appError) {
                                      auto self = weak.lock();
                                      if (!self) {
                                          return;
                                      }
                                      if (!appEnabled) {
                                          log("Can't check ext state " + appError);
                                          return;
                                      }
                                      (*self)->showIntroUnless(*appEnabled);
                                  });
    });
}

void AppDelegate::showIntroUnless(bool enabled) {
    if (enabled) {
        return;
    }
    if (auto* controller = mainWindowController()) {
        controller->showIntro();
    }
}

void AppDelegate::displayInformation(const Notification& note) {
    auto message = note.stringValue("message");
    if (!message) {
        log("Notification doesn't contain message " + describe(note.userInfo));
        return;
    }
    auto* controller = mainWindowController();
    if (controller == nullptr) {
        return;
    }
    OnScreenMessage information;
    information.mainMessageParts = {*message};
    information.buttonTitle = "OK";
    information.completion = controller->dismissingCompletion(nullptr);
    auto rejectedPackage = note.stringValue(core::kRejectedPackageIdKey);
    auto rejectedRule = note.stringValue(core::kRejectedRuleIdKey);
    if (rejectedPackage && rejectedRule) {
        // WebKit refuses the whole list for this rule: the way out is one button away.
        information.buttonTitle = "Disable Rule";
        information.completion = controller->dismissingCompletion(
            [this, packageId = *rejectedPackage, ruleId = *rejectedRule] { disableRejectedRule(packageId, ruleId); });
        information.showSkipper = true;
        information.skipperTitle = "Not Now";
        information.skipCompletion = controller->dismissingCompletion(nullptr);
    }
    later([information = std::move(information)](AppDelegate& self) {
        if (auto* controller = self.mainWindowController()) {
            controller->showMessage(information);
        }
    });
}

void AppDelegate::disableRejectedRule(const std::string& packageId, const std::string& ruleId) {
    if (!core_) {
        return;
    }
    // The rebuild that follows shows its own refusal, naming the next rule, if there is one. It
    // runs once the switch is written: then an open rule list of the package shows it (the
    // package list follows "DidSaveUserPreference" itself).
    auto disabled = core_->services().switches().setRulesEnabled(
        packageId, {ruleId}, false,
        [weak = std::weak_ptr<AppDelegate*>(self_), packageId](const core::ReloadOutcome&) {
            runOnMain([weak, packageId] {
                auto self = weak.lock();
                if (!self || !(*self)->splitView_) {
                    return;
                }
                if (auto* list = (*self)->splitView_->ruleList(); list != nullptr && list->packageId() == packageId) {
                    list->reloadSwitches();
                }
            });
        });
    if (!disabled) {
        log(disabled.error().message);
    }
}

void AppDelegate::triedUpdatingDisabledBlockerExtension() {
    if (auto* controller = mainWindowController()) {
        controller->showModalMessage("Please enable Orvane extension\nfor content blocking in Safari.",
                                     "Open Safari Preferences", false, [this] {
                                         showPreferencesForExtension(core::Extension::contentBlocker);
                                     });
    }
}

} // namespace orvane::desktop
