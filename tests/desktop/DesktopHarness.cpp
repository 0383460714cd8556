#include "DesktopHarness.h"

#include "app/LaunchSequence.h"
#include "browser/ExtensionSettings.h"
#include "model/JsonEncoding.h"
#include "support/Fixtures.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

#include <giomm/file.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace orvane::test {

DesktopTest::DesktopTest() {
    writeText(home_.resources() / "PreinstalledPackages.json",
              *toJSONString(std::vector<Package>{makePackage("block-ads", "Block Ads", {blockRule("ads-1", "ads")})}));
    // Imported files go to this home's Trash.
    ::setenv("XDG_DATA_HOME", (home_.home() / "data").c_str(), 1);
}

void ManualClock::runAfter(Duration delay, std::function<void()> work) {
    if (delay <= Duration::zero()) {
        runOnMain(std::move(work));
        return;
    }
    timers_.push_back(Timer{now_ + delay, std::move(work)});
}

void ManualClock::advance(Duration by) {
    const Duration until = now_ + by;
    for (;;) {
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (next == timers_.end() || next->due > until) {
            break;
        }
        now_ = std::max(now_, next->due);
        auto work = std::move(next->work);
        timers_.erase(next);
        work();
    }
    now_ = until;
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return runMainLoopUntil(done, timeout);
}

void settle() {
    // Two frames: one for what is queued, one for what that queued.
    for (int i = 0; i < 2; ++i) {
        bool ticked = false;
        runOnMainAfter(std::chrono::milliseconds(20), [&ticked] { ticked = true; });
        runMainLoopUntil([&ticked] { return ticked; }, std::chrono::seconds(5));
    }
    drainMainQueue();
}

void markLaunchedBefore() {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set("launchedOnce", true);
    defaults.set(didLaunchOnceBuildKey(), true);
    defaults.synchronize();
}

void setExtensionEnabled(const std::string& identifier, bool enabled) {
    ASSERT_TRUE(browser::setExtensionEnabled(identifier, enabled));
}

namespace {

// What running the application from its command line names it; the recent files GTK records for
// a save dialog need a program name.
void nameTheProgram() { g_set_prgname("orvane"); }

} // namespace

RunningApp::RunningApp(std::shared_ptr<desktop::Clock> clock)
    : app_(desktop::OrvaneApplication::create(Gio::Application::Flags::NON_UNIQUE, std::move(clock))) {
    nameTheProgram();
    // Startup builds the window and runs the launch sequence; activation puts the window up.
    app_->register_application();
    app_->activate();
    waitForWindow();
}

RunningApp::RunningApp(const std::vector<std::filesystem::path>& files)
    : app_(desktop::OrvaneApplication::create(Gio::Application::Flags::NON_UNIQUE)) {
    nameTheProgram();
    app_->register_application();
    Gio::Application::type_vec_files opened;
    for (const auto& file : files) {
        opened.push_back(Gio::File::create_for_path(file.string()));
    }
    app_->open(opened);
    waitForWindow();
}

void RunningApp::waitForWindow() {
    EXPECT_TRUE(pumpUntil([this] { return window().get_mapped() && delegate().hasLaunched(); }));
    settle();
}

RunningApp::~RunningApp() {
    settleCore();
    for (Gtk::Window* window : app_->get_windows()) {
        window->close();
    }
    settle();
}

void RunningApp::settleCore() {
    // Two state queries in a row: the browser thread answers in order, so the answers of every
    // query made before (and of one made in answer to those) have run by the time these have.
    for (int round = 0; round < 2; ++round) {
        bool answered = false;
        desktop::core::queryExtensionState(desktop::core::Extension::appExtension,
                                           [&answered](std::optional<bool>, const std::string&) { answered = true; });
        EXPECT_TRUE(pumpUntil([&answered] { return answered; }));
    }
    EXPECT_TRUE(pumpUntil([] { return !Safari::hasRequestsInFlight(); }, std::chrono::seconds(60)));
    drainMainQueue();
}

std::string joined(const LogCapture& log) {
    std::string text;
    for (const auto& line : log.lines()) {
        text += line + "\n";
    }
    return text;
}

void click(Gtk::Widget& button) { g_signal_emit_by_name(button.gobj(), "clicked"); }

std::vector<Gtk::Widget*> descendants(Gtk::Widget& root) {
    std::vector<Gtk::Widget*> widgets;
    for (Gtk::Widget* child = root.get_first_child(); child != nullptr; child = child->get_next_sibling()) {
        widgets.push_back(child);
        auto below = descendants(*child);
        widgets.insert(widgets.end(), below.begin(), below.end());
    }
    return widgets;
}

std::string textOf(Gtk::Widget& widget) {
    if (auto* label = dynamic_cast<Gtk::Label*>(&widget)) {
        return label->get_text();
    }
    if (auto* button = dynamic_cast<Gtk::Button*>(&widget)) {
        return button->get_label();
    }
    return {};
}

} // namespace orvane::test
