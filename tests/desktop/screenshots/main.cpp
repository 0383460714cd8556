// Renders every screen and state of the application to PNG files for review:
// desktop_screenshots OUTPUT_FOLDER. Run it on a display (scripts/screenshots.sh).

#include "../DesktopHarness.h"

#include "browser/ContentBlockerManager.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "support/InspectionSites.h"

#include <gtk/gtk.h>
#include <gtkmm/aboutdialog.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/textview.h>
#include <webkit/webkit.h>

#include <iostream>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

std::filesystem::path output;
int failures = 0;

// Draws the widget as it is on screen, through its window's own renderer.
void save(Gtk::Widget& widget, const std::string& name) {
    settle();
    const int width = widget.get_width();
    const int height = widget.get_height();
    GdkPaintable* paintable = gtk_widget_paintable_new(widget.gobj());
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(paintable, snapshot, width, height);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    GskRenderer* renderer = gtk_native_get_renderer(gtk_widget_get_native(widget.gobj()));
    const std::string path = (output / (name + ".png")).string();
    if (node == nullptr || renderer == nullptr) {
        std::cerr << "nothing to draw for " << name << "\n";
        ++failures;
    } else {
        graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, float(width), float(height));
        GdkTexture* texture = gsk_renderer_render_texture(renderer, node, &bounds);
        if (!gdk_texture_save_to_png(texture, path.c_str())) {
            std::cerr << "cannot write " << path << "\n";
            ++failures;
        } else {
            std::cout << path << "\n";
        }
        g_object_unref(texture);
        gsk_render_node_unref(node);
    }
    g_object_unref(paintable);
}

void finishFades(ManualClock& clock) {
    for (int i = 0; i < 10; ++i) {
        clock.advance(100ms);
        settle();
    }
}

void dismiss(RunningApp& running, ManualClock& clock) {
    if (auto* view = running.controller().messageContainer()) {
        click(view->button());
    }
    pumpUntil([&] {
        clock.advance(50ms);
        return running.controller().messageContainer() == nullptr;
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: desktop_screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    output = argv[1];
    std::filesystem::create_directories(output);
    logToNowhere();
    // A home with the shipped lists, on a machine that has run this build before.
    TemporaryDirectory home;
    ::setenv("ORVANE_HOME", home.path().c_str(), 1);
    ::setenv("ORVANE_CLOUD", "none", 1);
    ::setenv("ORVANE_RESOURCES", ORVANE_BUILD_RESOURCES, 1);
    markLaunchedBefore();

    auto clock = std::make_shared<ManualClock>();
    RunningApp running(clock);
    running.settleCore();
    auto& controller = running.controller();
    save(running.window(), "main-window");

    controller.showIntro();
    pumpUntil([&] { return controller.messageContainer() != nullptr; });
    for (int second = 0; second < 6; ++second) {
        clock->advance(1s);
        settle();
    }
    finishFades(*clock);
    save(running.window(), "welcome-last-step");
    dismiss(running, *clock);

    showMessage("There was an error saving package file.", true);
    pumpUntil([&] { return controller.messageContainer() != nullptr; });
    finishFades(*clock);
    save(running.window(), "information-message");
    dismiss(running, *clock);

    running.delegate().triedUpdatingDisabledBlockerExtension();
    pumpUntil([&] { return controller.messageContainer() != nullptr; });
    finishFades(*clock);
    save(running.window(), "extension-disabled-request");
    dismiss(running, *clock);

    auto* settings = running.delegate().extensionSettings();
    if (settings != nullptr) {
        pumpUntil([&] { return settings->window().get_mapped(); });
        save(settings->window(), "extension-settings");
        settings->window().close();
    }

    running.app().showAbout();
    pumpUntil([&] { return running.app().aboutWindow()->get_mapped(); });
    save(*running.app().aboutWindow(), "about");
    running.app().aboutWindow()->close();

    auto& preferences = running.app().showPreferences();
    pumpUntil([&] { return preferences.window().get_mapped(); });
    save(preferences.window(), "preferences");
    preferences.window().close();

    // The report form filled from the inspector's last page, after a send the cloud refused
    // (this home has no account).
    running.app().noteInspectedAddress("https://news.example.com/world/2024/markets?page=2");
    auto& report = running.app().showReportForm();
    pumpUntil([&] { return report.window().get_mapped(); });
    report.typeButton(ReportType::somethingNotBlocked).set_active(true);
    report.comment().get_buffer()->set_text("A video ad still plays above the article, between the headline and "
                                            "the first paragraph.");
    click(report.sendButton());
    pumpUntil([&] { return !report.isSending(); });
    save(report.window(), "report-form-failed");
    report.window().close();

    auto& help = running.app().showHelp();
    pumpUntil([&] { return help.window().get_mapped() && !webkit_web_view_is_loading(help.webView()); },
              std::chrono::seconds(60));
    settle();
    save(help.window(), "help");
    help.window().close();

    // The inspector: idle, during a load that never ends, and finished on a page with ads,
    // trackers and widgets from other hosts (local sites, reached through their proxy).
    const auto sites = inspectionSites();
    ::setenv("http_proxy", sites->proxy().c_str(), 1);
    auto& inspector = running.app().showInspector();
    pumpUntil([&] { return inspector.window().get_mapped(); });
    save(inspector.window(), "inspector-idle");
    inspector.urlField().set_text("http://slow.test/");
    g_signal_emit_by_name(inspector.urlField().gobj(), "activate");
    finishFades(*clock);
    clock->advance(1200ms);
    settle();
    save(inspector.window(), "inspector-loading");
    inspector.urlField().set_text("http://news.test/");
    g_signal_emit_by_name(inspector.urlField().gobj(), "activate");
    pumpUntil(
        [&] {
            clock->advance(10ms);
            return inspector.isDone();
        },
        std::chrono::seconds(60));
    finishFades(*clock);
    save(inspector.window(), "inspector-finished");
    inspector.window().close();
    return failures == 0 ? 0 : 1;
}
