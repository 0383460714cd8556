#pragma once

#include "app/OrvaneApplication.h"
#include "platform/Log.h"
#include "support/TempHome.h"
#include "window/Clock.h"

#include <gtest/gtest.h>
#include <gtkmm/widget.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orvane::test {

// A fresh home with a small preinstalled package file, for a test that runs the application.
class DesktopTest : public ::testing::Test {
protected:
    DesktopTest();
    TempHome home_;
};

// A clock that moves only when the test says so. Work for "now" runs on the main loop as usual;
// work for later waits for advance().
class ManualClock final : public desktop::Clock {
public:
    Duration now() const override { return now_; }
    void runAfter(Duration delay, std::function<void()> work) override;
    // Moves the time on and runs, in time order, everything due by then.
    void advance(Duration by);

private:
    struct Timer {
        Duration due;
        std::function<void()> work;
    };
    Duration now_{1'000'000'000};
    std::vector<Timer> timers_;
};

// Iterates the main loop until `done` holds; false after `timeout`.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Lets everything queued now run, and the window draw once.
void settle();

// Standard preferences of a machine that has launched this build before: no welcome, no
// first-run routine.
void markLaunchedBefore();
// The browser stand-in's switches.
void setExtensionEnabled(const std::string& identifier, bool enabled);

// The application as it runs, in this process, on a fresh home, with its main window on screen.
class RunningApp {
public:
    explicit RunningApp(std::shared_ptr<desktop::Clock> clock = desktop::Clock::mainLoop());
    // Launched to open files, as `orvane FILE...` is.
    explicit RunningApp(const std::vector<std::filesystem::path>& files);
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    desktop::OrvaneApplication& app() { return *app_; }
    desktop::AppDelegate& delegate() { return *app_->delegate(); }
    desktop::DarkWindowController& controller() { return delegate().windowController(); }
    Gtk::ApplicationWindow& window() { return controller().window(); }
    // Waits for the launch's rebuilds and the answers of the browser queries made so far.
    void settleCore();

private:
    void waitForWindow();
    Glib::RefPtr<desktop::OrvaneApplication> app_;
};

// The captured log, a line each, for failure messages.
std::string joined(const LogCapture& log);

// A click as the button reports it, at once.
void click(Gtk::Widget& button);

// Every widget under `root`, depth first.
std::vector<Gtk::Widget*> descendants(Gtk::Widget& root);
// The text of a label or button as the user reads it.
std::string textOf(Gtk::Widget& widget);

} // namespace orvane::test
