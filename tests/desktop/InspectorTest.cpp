// The page inspector as the user meets it: opened from the header bar, an address typed in,
// the statistics fading in over the introduction, the figures of a real page (served on loopback
// addresses), a preview that nothing reaches, and the address handed to the report form.

#include "DesktopHarness.h"

#include "support/InspectionSites.h"

#include <gtk/gtk.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>

#include <filesystem>
#include <regex>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

using InspectorTest = DesktopTest;

void runFades(ManualClock& clock) {
    for (int step = 0; step < 16; ++step) {
        clock.advance(50ms);
        settle();
    }
}

Gtk::Button* headerButton(Gtk::Window& window, const std::string& tooltip) {
    for (Gtk::Widget* widget : descendants(window)) {
        if (auto* button = dynamic_cast<Gtk::Button*>(widget); button != nullptr && button->get_tooltip_text().raw() == tooltip) {
            return button;
        }
    }
    return nullptr;
}

// The widget a pointer at the centre of `widget` would reach.
Gtk::Widget* pickedAtCentre(Gtk::Window& window, Gtk::Widget& widget) {
    graphene_point_t centre = GRAPHENE_POINT_INIT(float(widget.get_width()) / 2, float(widget.get_height()) / 2);
    graphene_point_t inWindow;
    if (!gtk_widget_compute_point(widget.gobj(), GTK_WIDGET(window.gobj()), &centre, &inWindow)) {
        return nullptr;
    }
    return Glib::wrap(gtk_widget_pick(GTK_WIDGET(window.gobj()), inWindow.x, inWindow.y, GTK_PICK_DEFAULT));
}

bool isWithin(Gtk::Widget* widget, Gtk::Widget& ancestor) {
    for (; widget != nullptr; widget = widget->get_parent()) {
        if (widget == &ancestor) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST_F(InspectorTest, TheHeaderBarOpensItAndAnInspectionShowsThePagesFigures) {
    // Preinstalled packages of known hosts, so the counts do not move with each version of EasyList.
    std::filesystem::copy_file(std::filesystem::path(ORVANE_TEST_DATA) / "inspector" / "PreinstalledPackages.json",
                               home_.resources() / "PreinstalledPackages.json",
                               std::filesystem::copy_options::overwrite_existing);
    markLaunchedBefore();
    const auto sites = inspectionSites();
    ::setenv("http_proxy", sites->proxy().c_str(), 1);
    auto clock = std::make_shared<ManualClock>();
    RunningApp running(clock);
    running.settleCore();

    Gtk::Button* open = headerButton(running.window(), "Inspect a Web Page");
    ASSERT_NE(open, nullptr);
    click(*open);
    auto* inspector = running.app().inspector();
    ASSERT_NE(inspector, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return inspector->window().get_mapped(); }));
    settle();
    EXPECT_TRUE(isWithin(inspector->window().get_focus(), inspector->urlField()));
    EXPECT_EQ(inspector->urlField().get_placeholder_text(), "Enter URL here...");
    EXPECT_FALSE(inspector->bottomPanelStack().get_visible());
    EXPECT_FALSE(inspector->statsContainerStack().get_visible());

    // Not an address: only the error line says so.
    LogCapture log;
    inspector->urlField().set_text("exa mple.com");
    g_signal_emit_by_name(inspector->urlField().gobj(), "activate");
    EXPECT_EQ(inspector->errorLabel().get_text(), "Error: Entered value is not a valid URL");
    EXPECT_TRUE(log.contains("Entered value is not a valid URL: exa mple.com.")) << joined(log);
    EXPECT_TRUE(inspector->introDescription().get_visible());
    EXPECT_FALSE(inspector->statsContainerStack().get_visible());

    inspector->urlField().set_text("http://news.test/");
    g_signal_emit_by_name(inspector->urlField().gobj(), "activate");
    EXPECT_EQ(inspector->errorLabel().get_text(), " ");
    EXPECT_EQ(inspector->loadProgress().get_opacity(), 1.0);
    runFades(*clock);
    EXPECT_FALSE(inspector->introDescription().get_visible());
    EXPECT_TRUE(inspector->statsContainerStack().get_visible());
    EXPECT_EQ(inspector->statsContainerStack().get_opacity(), 1.0);

    ASSERT_TRUE(pumpUntil([&] { return inspector->isDone(); }, 60s)) << joined(log);
    settle();
    EXPECT_EQ(inspector->adsCountLabel().get_text(), "2");
    EXPECT_EQ(inspector->trackersCountLabel().get_text(), "1");
    EXPECT_EQ(inspector->widgetCountLabel().get_text(), "2");
    EXPECT_TRUE(std::regex_match(inspector->timeValueLabel().get_text().raw(), std::regex(R"(\d+\.\d\d sec)")))
        << inspector->timeValueLabel().get_text();
    EXPECT_TRUE(inspector->pageSizeLabel().get_text().raw().ends_with("kB")) << inspector->pageSizeLabel().get_text();
    EXPECT_EQ(inspector->errorLabel().get_text(), " ");
    runFades(*clock);
    EXPECT_EQ(inspector->loadProgress().get_opacity(), 0.0);

    // The preview: whatever points at it reaches the cover, and the page takes no focus.
    Gtk::Widget* picked = pickedAtCentre(inspector->window(), inspector->webView());
    EXPECT_TRUE(isWithin(picked, inspector->opaqueWebViewCover()));
    EXPECT_FALSE(inspector->webView().get_focusable());
    EXPECT_EQ(inspector->webView().get_width(), 200);
    EXPECT_EQ(inspector->webView().get_height(), 150);

    // The report form offers the page just inspected.
    auto& report = running.app().showReportForm();
    ASSERT_TRUE(pumpUntil([&] { return report.window().get_mapped(); }));
    EXPECT_EQ(report.address().get_text().raw(), "http://news.test/");
    report.window().close();

    // In the welcome sequence the bottom panel's button takes the inspector away.
    bool dismissed = false;
    inspector->setDismissal([&dismissed] { dismissed = true; });
    inspector->setDisplayedAsPartOfIntroProcess(true);
    EXPECT_TRUE(inspector->bottomPanelStack().get_visible());
    click(inspector->installSEButton());
    EXPECT_TRUE(dismissed);
    EXPECT_TRUE(pumpUntil([&] { return !inspector->window().get_mapped(); }));
    ::unsetenv("http_proxy");
}
