#pragma once

#include "platform/NotificationCenter.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The application's one door to the core. Nothing else in BlockerDesktop includes a header of
// the core beyond its platform helpers and records, so the core can change behind this file.
namespace orvane::desktop::core {

// The window's own steps of the launch; the cloud steps are added as the application takes them.
struct WindowLaunchSteps {
    std::function<void()> firstLaunchExtensionCheck;
    std::function<void()> registerInformationMessages;
};

// What a launch leaves running: the observation of the browser extension's signals.
class RunningCore {
public:
    RunningCore();
    ~RunningCore();
    RunningCore(const RunningCore&) = delete;
    RunningCore& operator=(const RunningCore&) = delete;

private:
    friend std::unique_ptr<RunningCore> launch(const WindowLaunchSteps& steps);
    struct Observation;
    std::unique_ptr<Observation> observation_;
};

// Runs the launch sequence on the main thread with the window's steps, sync start and remote
// notifications. The extension's signals are observed for as long as the answer lives.
std::unique_ptr<RunningCore> launch(const WindowLaunchSteps& steps);

// Merges the packages of a package file into the catalog, tells the user, and moves the file to
// the Trash; every failure is the import's to report.
void importPackageFile(const std::filesystem::path& path);

// The two extensions of the browser stand-in.
enum class Extension { contentBlocker, appExtension };

// The browser's answer to a state query, on the main thread: enabled or not, or no state with
// the error's text.
using ExtensionStateAnswer = std::function<void(std::optional<bool> enabled, const std::string& error)>;
void queryExtensionState(Extension extension, ExtensionStateAnswer answer);

// The extension settings, read anew on every call: absent with the error's text when unreadable.
std::optional<bool> isExtensionEnabled(Extension extension, std::string& error);
// Switches an extension; answers false with the error's text when the settings cannot be written.
bool setExtensionEnabled(Extension extension, bool enabled, std::string& error);

// Calls `handler` on the posting thread whenever a reload finds the content blocker disabled.
ObserverRegistration observeDisabledContentBlocker(std::function<void()> handler);

// The main window's size and maximised state, kept in the standard preferences.
struct WindowFrame {
    int width = 0;
    int height = 0;
    bool maximized = false;
};
std::optional<WindowFrame> savedWindowFrame();
void saveWindowFrame(const WindowFrame& frame);

// The names of the preinstalled packages, in catalog order (for the About window's credits).
std::vector<std::string> preinstalledPackageNames();

} // namespace orvane::desktop::core
