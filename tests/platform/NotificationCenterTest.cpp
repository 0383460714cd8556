#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace orvane;
using namespace std::chrono_literals;

TEST(NotificationCenter, DeliversByNameOnlyToLiveObservers) {
    NotificationCenter center;
    int saves = 0;
    int others = 0;
    {
        ObserverRegistration onSave("DidSavePackages", [&](const Notification&) { ++saves; }, center);
        ObserverRegistration onOther("WillSavePackages", [&](const Notification&) { ++others; }, center);
        center.post("DidSavePackages");
        center.post("DidSavePackages");
    }
    center.post("DidSavePackages");
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(others, 0);
}

TEST(NotificationCenter, ObserverMayUnregisterItselfWhileBeingNotified) {
    NotificationCenter center;
    int calls = 0;
    NotificationCenter::Token token = 0;
    token = center.addObserver("X", [&](const Notification&) {
        ++calls;
        center.removeObserver(token);
    });
    center.post("X");
    center.post("X");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ShowMessagePostsDisplayInformation) {
    std::optional<std::string> message;
    std::optional<bool> warning;
    ObserverRegistration observer(kDisplayInformation, [&](const Notification& note) {
        message = note.stringValue("message");
        warning = note.boolValue("warning");
    });
    showMessage("URL is empty", true);
    EXPECT_EQ(message, "URL is empty");
    EXPECT_EQ(warning, true);
}

TEST(NotificationCenter, AsynchronousPostArrivesOnTheMainContextLater) {
    NotificationCenter center;
    std::thread::id deliveredOn;
    bool delivered = false;
    ObserverRegistration observer("DidSaveUserPreference", [&](const Notification&) {
        deliveredOn = std::this_thread::get_id();
        delivered = true;
    }, center);
    std::thread poster([&] { center.postOnMain(Notification{"DidSaveUserPreference", nullptr, {}}); });
    poster.join();
    EXPECT_FALSE(delivered);
    EXPECT_TRUE(runMainLoopUntil([&] { return delivered; }, 2s));
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TEST(Log, CaptureSeesLinesFromEveryThreadAndRestoresTheSink) {
    LogCapture outer;
    {
        LogCapture capture;
        std::thread worker([] { log("from a worker"); });
        worker.join();
        log("from main");
        EXPECT_EQ(capture.lines(), (std::vector<std::string>{"from a worker", "from main"}));
    }
    log("after");
    EXPECT_EQ(outer.lines(), std::vector<std::string>{"after"});
}
