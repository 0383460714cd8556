// The main window: its frame, menu, keys, accessible names, the About window, pane fades and the
// alert behind the dialogs interface.

#include "DesktopHarness.h"

#include "app/BuildInfo.h"
#include "dialogs/Dialogs.h"
#include "platform/MainQueue.h"
#include <glibmm/main.h>
#include "platform/UserDefaults.h"
#include "window/CustomAnimator.h"

#include <gtkmm/aboutdialog.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/menubutton.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/settings.h>
#include <gtkmm/switch.h>
#include <gtkmm/textview.h>

#include <gtk/gtk.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

using WindowTest = DesktopTest;

// The name a screen reader reads for a control: its accessible label, else what it shows.
std::string accessibleName(Gtk::Widget& widget) {
    auto* accessible = GTK_ACCESSIBLE(widget.gobj());
    if (gtk_test_accessible_has_property(accessible, GTK_ACCESSIBLE_PROPERTY_LABEL)) {
        // The check answers the actual value when it differs from the one asked.
        char* value = gtk_test_accessible_check_property(accessible, GTK_ACCESSIBLE_PROPERTY_LABEL, "\x01");
        std::string name = value != nullptr ? value : "";
        g_free(value);
        return name;
    }
    if (auto* entry = dynamic_cast<Gtk::Entry*>(&widget)) {
        return entry->get_placeholder_text();
    }
    return textOf(widget);
}

// The controls under `root` that have no name, described by type.
std::vector<std::string> unnamedControls(Gtk::Widget& root) {
    std::vector<std::string> unnamed;
    for (Gtk::Widget* widget : descendants(root)) {
        const bool control = dynamic_cast<Gtk::Button*>(widget) || dynamic_cast<Gtk::MenuButton*>(widget) ||
                             dynamic_cast<Gtk::Switch*>(widget) || dynamic_cast<Gtk::Entry*>(widget) ||
                             dynamic_cast<Gtk::CheckButton*>(widget) || dynamic_cast<Gtk::TextView*>(widget);
        // A menu button's inner toggle is named by the menu button itself.
        const bool inner = dynamic_cast<Gtk::MenuButton*>(widget->get_parent()) != nullptr;
        if (control && !inner && widget->get_visible() && accessibleName(*widget).empty()) {
            unnamed.push_back(G_OBJECT_TYPE_NAME(widget->gobj()));
        }
    }
    return unnamed;
}

} // namespace

TEST_F(WindowTest, TheWindowKeepsItsFrameAndOffersItsMenuKeysAndNames) {
    markLaunchedBefore();
    UserDefaults::standard().set("OrvaneWindow", PropertyDictionary{{"width", 900}, {"height", 640}, {"maximized", false}});
    {
        RunningApp running;
        auto& window = running.window();
        int width = 0;
        int height = 0;
        window.get_default_size(width, height);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(900, 640));
        EXPECT_TRUE(Gtk::Settings::get_default()->property_gtk_application_prefer_dark_theme().get_value());
        EXPECT_EQ(window.get_title(), "Orvane");
        // The two slots of the split view, package list first.
        EXPECT_EQ(running.controller().splitView().get_start_child(), &running.controller().packagePane());

        auto& app = running.app();
        for (const char* action : {"preferences", "extension-settings", "report-problem", "help", "about", "quit"}) {
            EXPECT_TRUE(app.lookup_action(action)->get_enabled()) << action;
        }
        EXPECT_EQ(app.get_accels_for_action("app.quit"), std::vector<Glib::ustring>{"<Control>q"});
        EXPECT_EQ(app.get_accels_for_action("win.close"), std::vector<Glib::ustring>{"<Control>w"});
        EXPECT_EQ(app.get_accels_for_action("win.find"), std::vector<Glib::ustring>{"<Control>f"});
        EXPECT_EQ(app.get_accels_for_action("app.preferences"), std::vector<Glib::ustring>{"<Control>comma"});
        EXPECT_EQ(app.get_accels_for_action("app.help"), std::vector<Glib::ustring>{"F1"});

        // Ctrl+F goes to the rule list's search, there from the start; without a search field
        // (an editor in the pane) it does nothing.
        Gtk::Widget* search = running.delegate().splitViewController()->detail()->searchField();
        ASSERT_NE(search, nullptr);
        EXPECT_TRUE(window.lookup_action("find")->get_enabled());
        running.controller().setSearchField(nullptr);
        EXPECT_FALSE(window.lookup_action("find")->get_enabled());
        running.controller().setSearchField(search);
        settle();
        window.activate_action("win.find");
        auto* focus = window.get_focus();
        EXPECT_TRUE(focus != nullptr && (focus == search || focus->is_ancestor(*search)));

        app.activate_action("about");
        auto* about = app.aboutWindow();
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(about->get_visible());
        EXPECT_EQ(std::string(about->get_version()), applicationVersion() + " (build " + buildNumber() + ")");
        EXPECT_NE(about->get_license().find("Block Ads"), std::string::npos);
        about->close();

        app.activate_action("extension-settings");
        auto* settings = running.delegate().extensionSettings();
        ASSERT_NE(settings, nullptr);
        settle();
        EXPECT_EQ(accessibleName(settings->toggle(desktop::core::Extension::contentBlocker)), "Content Blocker");
        EXPECT_EQ(accessibleName(settings->toggle(desktop::core::Extension::appExtension)), "Toolbar and Quick Actions");
        EXPECT_EQ(unnamedControls(settings->window()), std::vector<std::string>{});

        // The panes of the menu name their controls as well.
        app.activate_action("preferences");
        app.activate_action("report-problem");
        settle();
        for (Gtk::Window* pane : {&app.preferencesPane()->window(), &app.reportForm()->window()}) {
            EXPECT_EQ(unnamedControls(*pane), std::vector<std::string>{}) << pane->get_title();
            EXPECT_EQ(unnamedControls(*pane->get_titlebar()), std::vector<std::string>{}) << pane->get_title();
            pane->close();
        }
        EXPECT_EQ(accessibleName(app.reportForm()->typeButton(ReportType::emptySpace)), "Blocking left an empty space");

        running.controller().showIntro();
        ASSERT_TRUE(pumpUntil([&] { return running.controller().messageContainer() != nullptr; }));
        EXPECT_EQ(unnamedControls(window), std::vector<std::string>{});
        EXPECT_EQ(unnamedControls(*window.get_titlebar()), std::vector<std::string>{});

        window.set_default_size(1000, 700);
        settle();
        // Ctrl+Q closes every window, the main one saving its frame as it goes.
        app.activate_action("quit");
        settle();
        EXPECT_EQ(app.get_windows().size(), 0u);
    }
    auto frame = UserDefaults::standard().dictionaryForKey("OrvaneWindow");
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->at("width").asInteger(), 1000);
    EXPECT_EQ(frame->at("height").asInteger(), 700);
    EXPECT_EQ(frame->at("maximized").asBool(), false);
}

TEST_F(WindowTest, ClosingTheWindowEndsTheApplication) {
    markLaunchedBefore();
    auto app = desktop::OrvaneApplication::create(Gio::Application::Flags::NON_UNIQUE);
    bool stuck = false;
    // Only if the application failed to end by itself.
    auto guard = Glib::signal_timeout().connect_seconds(
        [&] {
            stuck = true;
            app->quit();
            return false;
        },
        20);
    app->signal_activate().connect(
        [&] {
            // The window is up; Ctrl+W's action closes it.
            runOnMain([&] { app->delegate()->windowController().window().activate_action("win.close"); });
        },
        true);
    EXPECT_EQ(app->run(0, nullptr), 0);
    guard.disconnect();
    EXPECT_FALSE(stuck);
}

TEST_F(WindowTest, PanesFadeInAndOutOverOthersInHalfASecond) {
    markLaunchedBefore();
    auto clock = std::make_shared<ManualClock>();
    RunningApp running(clock);
    desktop::CustomAnimator animator(clock);
    int completions = 0;
    animator.completion = [&completions] { ++completions; };
    auto* pane = Gtk::make_managed<Gtk::Label>("Pane");
    auto& over = running.controller().detailOverlay();

    animator.animatePresentation(*pane, over);
    EXPECT_EQ(pane->get_parent(), &over);
    EXPECT_EQ(pane->get_opacity(), 0.0);
    ASSERT_TRUE(pumpUntil([&] { return pane->get_mapped(); }));
    clock->advance(250ms);
    ASSERT_TRUE(pumpUntil([&] { return pane->get_opacity() > 0.4; }));
    EXPECT_LT(pane->get_opacity(), 0.6);
    EXPECT_EQ(completions, 0);
    clock->advance(250ms);
    ASSERT_TRUE(pumpUntil([&] { return completions == 1; }));
    EXPECT_EQ(pane->get_opacity(), 1.0);

    animator.animateDismissal(*pane, over);
    clock->advance(499ms);
    settle();
    EXPECT_EQ(pane->get_parent(), &over);
    clock->advance(1ms);
    ASSERT_TRUE(pumpUntil([&] { return completions == 2; }));
}

TEST_F(WindowTest, TheAlertAnswersWhichButtonWasChosen) {
    markLaunchedBefore();
    RunningApp running;
    for (const auto& [response, expected] : {std::pair{GTK_RESPONSE_ACCEPT, true}, std::pair{GTK_RESPONSE_CANCEL, false}}) {
        std::optional<bool> answer;
        desktop::confirm(running.window(), {"Are you sure?", "You cannot undo this action.", "Yes", "Cancel"},
                         [&answer](bool confirmed) { answer = confirmed; });
        GtkWindow* alert = nullptr;
        // Looked up through GTK itself: a C++ wrapper made for the dialog would outlive it.
        ASSERT_TRUE(pumpUntil([&] {
            GList* toplevels = gtk_window_list_toplevels();
            for (GList* item = toplevels; item != nullptr; item = item->next) {
                auto* window = GTK_WINDOW(item->data);
                if (gtk_window_get_transient_for(window) == GTK_WINDOW(running.window().gobj()) &&
                    gtk_widget_get_visible(GTK_WIDGET(window)) && GTK_IS_DIALOG(window)) {
                    alert = window;
                }
            }
            g_list_free(toplevels);
            return alert != nullptr;
        }));
        gtk_dialog_response(GTK_DIALOG(alert), response);
        ASSERT_TRUE(pumpUntil([&] { return answer.has_value(); }));
        EXPECT_EQ(*answer, expected);
    }
}
