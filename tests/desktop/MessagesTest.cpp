// Messages over the main window: information messages, the welcome, completions, the shield.

#include "DesktopHarness.h"
#include "ListHarness.h"

#include "browser/ContentBlockerManager.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "support/Fixtures.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

using MessagesTest = DesktopTest;

int spacingOf(desktop::MessageView& view) {
    return dynamic_cast<Gtk::Box&>(*view.labels().front()->get_parent()).get_spacing();
}

std::vector<std::string> texts(desktop::MessageView& view) {
    std::vector<std::string> lines;
    for (auto* label : view.labels()) {
        lines.push_back(label->get_text());
    }
    return lines;
}

// The font the user sees on a label: size in logical pixels (the desktop's points) and weight.
std::pair<double, int> fontOf(Gtk::Label& label) {
    auto font = label.get_pango_context()->get_font_description();
    EXPECT_TRUE(font.get_size_is_absolute());
    return {font.get_size() / double(PANGO_SCALE), static_cast<int>(font.get_weight())};
}

} // namespace

TEST_F(MessagesTest, InformationMessagesShowOneAtATimeAndNeedAMessage) {
    markLaunchedBefore();
    RunningApp running;
    auto& controller = running.controller();
    LogCapture log;

    NotificationCenter::shared().post(kDisplayInformation, nullptr, UserInfo{{"warning", true}});
    settle();
    EXPECT_TRUE(log.contains("Notification doesn't contain message {warning: true}"));
    EXPECT_EQ(controller.messageContainer(), nullptr);

    showMessage("First thing to know", true);
    showMessage("Second thing to know", false);
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; }));
    settle();
    auto* view = controller.messageContainer();
    EXPECT_EQ(texts(*view), std::vector<std::string>{"First thing to know"});
    EXPECT_EQ(view->button().get_label(), "OK");
    EXPECT_EQ(view->skipButton(), nullptr);
    EXPECT_TRUE(log.contains("Already showing a modal message"));
    EXPECT_FALSE(controller.content().get_sensitive());
    EXPECT_EQ(fontOf(*view->labels()[0]), std::make_pair(23.0, 100));
    EXPECT_TRUE(view->widget().has_css_class("information"));
    EXPECT_EQ(spacingOf(*view), 30);

    click(view->button());
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() == nullptr; }));
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() == nullptr; }));
    EXPECT_TRUE(controller.content().get_sensitive());
    settle();
    // The second message was dropped, not queued.
    EXPECT_EQ(controller.messageContainer(), nullptr);
}

TEST_F(MessagesTest, AMessageCompletionRunsExactlyOnceWhicheverWayItEnds) {
    markLaunchedBefore();
    RunningApp running;
    auto& controller = running.controller();

    const std::vector<std::string> endings = {"button", "button twice", "skip button", "hideMessage"};
    for (const auto& ending : endings) {
        int completions = 0;
        controller.showModalMessage("Something happened", "Fine", true, [&completions] { ++completions; });
        ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; })) << ending;
        auto* view = controller.messageContainer();
        ASSERT_NE(view->skipButton(), nullptr);
        EXPECT_EQ(view->skipButton()->get_label(), "Skip this step (not recommended)");
        if (ending == "button") {
            click(view->button());
        } else if (ending == "button twice") {
            click(view->button());
            click(view->button());
        } else if (ending == "skip button") {
            click(*view->skipButton());
        } else {
            controller.hideMessage();
            controller.hideMessage();
        }
        ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() == nullptr; })) << ending;
        settle();
        controller.hideMessage();
        settle();
        EXPECT_EQ(completions, 1) << ending;
    }
}

TEST_F(MessagesTest, TheWelcomeRevealsOneElementPerSecondAndItsButtonOpensTheExtensionSettings) {
    setExtensionEnabled(browser::kContentBlockerIdentifier, false);
    auto clock = std::make_shared<ManualClock>();
    RunningApp running(clock);
    auto& controller = running.controller();
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; }));
    auto* view = controller.messageContainer();
    EXPECT_EQ(texts(*view), (std::vector<std::string>{"Welcome", "\nThanks for installing Orvane!\nYou're awesome.\n",
                                                       "Please enable Orvane extensions\nfor content blocking and quick actions."}));
    EXPECT_EQ(view->button().get_label(), "Open Safari Preferences");
    ASSERT_NE(view->skipButton(), nullptr);
    EXPECT_TRUE(view->widget().has_css_class("intro"));
    EXPECT_EQ(spacingOf(*view), 20);
    EXPECT_EQ(fontOf(*view->labels()[0]), std::make_pair(35.0, 200));
    EXPECT_EQ(fontOf(*view->labels()[1]), std::make_pair(23.0, 100));
    EXPECT_EQ(fontOf(*view->labels()[2]), std::make_pair(15.0, 100));

    std::vector<Gtk::Widget*> elements(view->labels().begin(), view->labels().end());
    elements.push_back(&view->button());
    elements.push_back(view->skipButton());
    auto shown = [&] {
        return std::count_if(elements.begin(), elements.end(), [&](Gtk::Widget* element) {
            return view->isRevealed(*element) && element->get_can_target();
        });
    };
    auto allOpaque = [&](std::size_t count) {
        return std::all_of(elements.begin(), elements.begin() + count,
                           [](Gtk::Widget* element) { return element->get_opacity() == 1.0; });
    };
    settle();
    EXPECT_EQ(shown(), 0);
    EXPECT_TRUE(std::all_of(elements.begin(), elements.end(), [](Gtk::Widget* e) { return e->get_opacity() == 0.0; }));
    for (std::size_t step = 1; step <= elements.size(); ++step) {
        // One second after the message came, then one second after each reveal began; the
        // previous reveal's fade took 400 ms of it.
        clock->advance(step == 1 ? 999ms : 599ms);
        settle();
        EXPECT_EQ(shown(), long(step - 1)) << "just before second " << step;
        clock->advance(1ms);
        settle();
        EXPECT_EQ(shown(), long(step)) << "at second " << step;
        clock->advance(400ms);
        EXPECT_TRUE(pumpUntil([&] { return allOpaque(step); })) << step;
    }
    EXPECT_EQ(view->hiddenSubviewCount(), 0u);

    click(view->button());
    ASSERT_NE(running.delegate().extensionSettings(), nullptr);
    EXPECT_TRUE(running.delegate().extensionSettings()->window().get_visible());
    ASSERT_TRUE(pumpUntil([&] {
        clock->advance(50ms);
        return controller.messageContainer() == nullptr;
    }));
}

TEST_F(MessagesTest, AListWebKitRefusesNamesTheRuleAndTheMessageDisablesIt) {
    markLaunchedBefore();
    writeSharedPackages("CustomPackages.json",
                        {makePackage("mine", "My rules",
                                     {blockRule("good", "good\\.js"), blockRule("bad", "ad|banner", "Either")})});
    RunningApp running;
    auto& controller = running.controller();

    // The launch's rebuild is refused; the search names the rule, its package and the way out.
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() != nullptr; }, 120s));
    auto* view = controller.messageContainer();
    ASSERT_EQ(view->labels().size(), 1u);
    const std::string text = view->labels()[0]->get_text();
    EXPECT_NE(text.find("WebKit refuses the rule \"Either\" of the package \"My rules\""), std::string::npos) << text;
    EXPECT_EQ(view->button().get_label(), "Disable Rule");
    ASSERT_NE(view->skipButton(), nullptr);
    EXPECT_EQ(view->skipButton()->get_label(), "Not Now");

    // The button switches the rule off, and the list WebKit is given then compiles.
    auto& rules = openRuleList(running, "mine");
    click(view->button());
    ASSERT_TRUE(pumpUntil([&] { return controller.messageContainer() == nullptr; }));
    ASSERT_TRUE(pumpUntil([&] {
        return running.delegate().splitViewController()->services().rules().disabledRuleIds("mine") ==
               std::vector<std::string>{"bad"};
    }));
    running.settleCore();
    EXPECT_TRUE(pumpUntil([&] {
        const std::string list = readText(home_.shared() / "tmp.json");
        return list.find("good\\\\.js") != std::string::npos && list.find("ad|banner") == std::string::npos;
    }));
    // That rebuild was taken: nothing more to tell.
    running.settleCore();
    settle();
    EXPECT_EQ(controller.messageContainer(), nullptr);
    ASSERT_NE(rules.cellFor("bad"), nullptr);
    EXPECT_FALSE(rules.cellFor("bad")->preferenceSwitch().get_active());
}
