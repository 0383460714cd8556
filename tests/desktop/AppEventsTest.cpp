// The application's events: the first launch's extension check, the disabled content blocker,
// opened package files (at launch and from a second process), and pushes from the cloud.

#include "DesktopHarness.h"

#include "app/LaunchSequence.h"
#include "browser/ContentBlockerManager.h"
#include "catalog/DataManager.h"
#include "model/JsonEncoding.h"
#include "platform/Log.h"
#include "support/BackgroundProgram.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "sync/SyncManager.h"

#include <gtkmm/switch.h>

#include <algorithm>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

std::string packageFile(const std::string& id, const std::string& name) {
    return *toJSONString(std::vector<Package>{makePackage(id, name, {blockRule(id + "-rule", "shared\\.js")})});
}

bool hasCustomPackage(const std::filesystem::path& home, const std::string& id) {
    return readText(home / "SharedContainer" / "CustomPackages.json").find("\"" + id + "\"") != std::string::npos;
}

std::size_t count(const LogCapture& log, const std::string& line) {
    auto lines = log.lines();
    return std::count(lines.begin(), lines.end(), line);
}

struct FirstLaunch {
    std::string name;
    std::optional<bool> contentBlocker; // absent: the settings cannot be read
    bool appExtension;
    bool welcome;
    std::string logLine;
};

void PrintTo(const FirstLaunch& launch, std::ostream* out) { *out << launch.name; }

class FirstLaunchTest : public DesktopTest, public ::testing::WithParamInterface<FirstLaunch> {};

} // namespace

TEST_P(FirstLaunchTest, TheWelcomeAppearsWhenAnExtensionIsOff) {
    const FirstLaunch& launch = GetParam();
    if (launch.contentBlocker) {
        setExtensionEnabled(browser::kContentBlockerIdentifier, *launch.contentBlocker);
        setExtensionEnabled(browser::kSafariExtensionIdentifier, launch.appExtension);
    } else {
        writeText(home_.home() / "Browser" / "ExtensionSettings.json", "{ not json");
    }
    LogCapture log;
    RunningApp running;
    running.settleCore();
    auto* message = running.controller().messageContainer();
    if (launch.welcome) {
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->labels().at(0)->get_text(), "Welcome");
    } else if (message != nullptr) {
        // Unreadable settings still let a reload ask to enable the blocker, never welcome.
        EXPECT_NE(message->labels().at(0)->get_text(), "Welcome");
    }
    if (!launch.logLine.empty()) {
        // One from the check, one from the first build's rebuild, which asks the same question.
        auto lines = log.lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.starts_with(launch.logLine); }),
                  2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, FirstLaunchTest,
    ::testing::Values(FirstLaunch{"ContentBlockerOff", false, true, true, ""},
                      FirstLaunch{"AppExtensionOff", true, false, true, ""},
                      FirstLaunch{"BothOn", true, true, false, ""},
                      FirstLaunch{"Unreadable", std::nullopt, true, false, "Can't check blocker state "}),
    [](const auto& info) { return info.param.name; });

using AppEventsTest = DesktopTest;

TEST_F(AppEventsTest, ADisabledContentBlockerAsksToEnableItAndOpensTheExtensionSettings) {
    markLaunchedBefore();
    setExtensionEnabled(browser::kContentBlockerIdentifier, false);
    LogCapture log;
    RunningApp running;
    auto& controller = running.controller();
    // The launch's rebuild finds the blocker off.
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; })) << joined(log);
    auto* message = controller.messageContainer();
    EXPECT_EQ(message->labels().at(0)->get_text(), "Please enable Orvane extension\nfor content blocking in Safari.");
    EXPECT_EQ(message->button().get_label(), "Open Safari Preferences");
    EXPECT_EQ(message->skipButton(), nullptr);

    click(message->button());
    auto* settings = running.delegate().extensionSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->window().get_visible());
    Gtk::Switch& blocker = settings->toggle(desktop::core::Extension::contentBlocker);
    EXPECT_FALSE(blocker.get_active());
    EXPECT_TRUE(settings->toggle(desktop::core::Extension::appExtension).get_active());
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() == nullptr; }));

    blocker.set_active(true);
    std::string error;
    EXPECT_EQ(desktop::core::isExtensionEnabled(desktop::core::Extension::contentBlocker, error), true);
    EXPECT_FALSE(log.contains("Error launching the extension's preferences: "));

    // Settings the browser cannot read: the window still comes, its switches out of reach.
    writeText(home_.home() / "Browser" / "ExtensionSettings.json", "{ not json");
    running.delegate().showPreferencesForExtension(desktop::core::Extension::contentBlocker);
    auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("Error launching the extension's preferences: ") && line.size() > 46;
    })) << joined(log);
    EXPECT_FALSE(blocker.get_sensitive());
    EXPECT_TRUE(settings->window().get_visible());
}

TEST_F(AppEventsTest, APackageFileOpenedAtLaunchIsImportedAfterTheLaunch) {
    const auto file = home_.home() / "Downloads" / "Shared.orvanepkg";
    writeText(file, packageFile("opened-at-launch", "Opened at Launch"));
    LogCapture log;
    RunningApp running({file});
    auto& controller = running.controller();
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; }));
    EXPECT_EQ(controller.messageContainer()->labels().at(0)->get_text(), "Blockers were successfuly imported");
    EXPECT_TRUE(hasCustomPackage(home_.home(), "opened-at-launch"));
    EXPECT_FALSE(std::filesystem::exists(file));
    // The first-run routine of the launch ran, and before the import saved the package.
    auto lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Going thru " + didLaunchOnceBuildKey() + " routine"),
              lines.end());
}

TEST_F(AppEventsTest, AFileOpenedWithASecondProcessIsImportedByTheFirst) {
    Environment first = {{"ORVANE_HOME", home_.home().string()}};
    BackgroundProgram running("orvane", {}, first);
    ASSERT_TRUE(running.waitForOutput("Going thru " + didLaunchOnceBuildKey(), 60s))
        << running.output();

    // The second process has a home of its own: if it imported the file itself, the package
    // would land there.
    TemporaryDirectory secondHome;
    const auto file = secondHome / "Shared.orvanepkg";
    writeText(file, packageFile("handed-over", "Handed Over"));
    auto second = runProgram("orvane", {file.string()}, "", {{"ORVANE_HOME", secondHome.path().string()}});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(pumpUntil([&] { return hasCustomPackage(home_.home(), "handed-over"); }));
    EXPECT_FALSE(std::filesystem::exists(secondHome / "SharedContainer"));
    EXPECT_EQ(second.out.find("Going thru"), std::string::npos);
}

TEST_F(AppEventsTest, APushFromTheCloudStartsExactlyOneFetch) {
    TemporaryDirectory cloud;
    const std::string account = "sqlite:" + cloud.path().string();
    ::setenv("ORVANE_CLOUD", account.c_str(), 1);
    markLaunchedBefore();
    LogCapture log;
    RunningApp running;
    ASSERT_TRUE(pumpUntil([] { return SyncManager::shared().isIdle() && !SyncManager::shared().hasRetryPending(); }, 60s));

    // Another machine of the same user, set up and settled before the change that matters.
    TemporaryDirectory other;
    writeText(other / "resources" / "PreinstalledPackages.json", readText(home_.resources() / "PreinstalledPackages.json"));
    const Environment machine = {{"ORVANE_HOME", (other / "home").string()},
                                 {"ORVANE_RESOURCES", (other / "resources").string()},
                                 {"ORVANE_CLOUD", account}};
    ASSERT_EQ(orvanectl({"sync"}, "", machine).exitCode, 0);
    EXPECT_TRUE(pumpUntil([] { return SyncManager::shared().isIdle(); }, 60s));
    settle();
    log.clear();

    auto added = orvanectl({"add", "block-url", "--url-filter", "pushed\\.js"}, "", machine);
    ASSERT_EQ(added.exitCode, 0) << added.err;
    const std::string ruleId = added.out.substr(0, added.out.find('\n'));
    auto arrived = [&] {
        for (const auto& package : *DataManager::shared().configurablePackages()) {
            for (const auto& rule : package.rules) {
                if (rule.id == ruleId) {
                    return true;
                }
            }
        }
        return false;
    };
    ASSERT_TRUE(pumpUntil(arrived, 60s));
    EXPECT_TRUE(pumpUntil([] { return SyncManager::shared().isIdle(); }, 60s));
    settle();
    EXPECT_EQ(count(log, "Got remote notification, from CloudKit"), 1u);
    EXPECT_EQ(count(log, "Fetching from remote changes..."), 1u);
}
