// Renders every screen and state of the application to PNG files for review:
// desktop_screenshots OUTPUT_FOLDER. Run it on a display (scripts/screenshots.sh).

#include "../DesktopHarness.h"
#include "../ListHarness.h"

#include "browser/ContentBlockerManager.h"
#include "editors/CustomBlockerCreator.h"
#include "editors/URLBlockerCreator.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "support/InspectionSites.h"

#include <gtk/gtk.h>
#include <gtkmm/aboutdialog.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/popovermenu.h>
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
void save(GtkWidget* widget, const std::string& name) {
    settle();
    const int width = gtk_widget_get_width(widget);
    const int height = gtk_widget_get_height(widget);
    GdkPaintable* paintable = gtk_widget_paintable_new(widget);
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(paintable, snapshot, width, height);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    GskRenderer* renderer = gtk_native_get_renderer(gtk_widget_get_native(widget));
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

void save(Gtk::Widget& widget, const std::string& name) { save(widget.gobj(), name); }

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

    // The package list and the rule list.
    auto& split = *running.delegate().splitViewController();
    auto& services = split.services();
    auto custom = services.packages().createPackage("Work Sites");
    if (custom) {
        EditorInput input;
        input.name = "Chat widget";
        input.urlFilter = "^https?://widgets\\.chat\\.example/";
        if (!services.rules().saveRule(custom->id, ConfigurablePackageType::BlockURL, input, std::nullopt)) {
            ++failures;
        }
        input = EditorInput{};
        input.name = "Newsletter pop-over";
        input.selector = "div.newsletter-modal, #subscribe-overlay";
        input.urlFilter = ".*";
        input.domainFilter = DomainFilterSelector::IfDomain;
        input.domainRows = {"news.example", "magazine.example"};
        if (!services.rules().saveRule(custom->id, ConfigurablePackageType::HideElements, input, std::nullopt)) {
            ++failures;
        }
        running.settleCore();
        settle();
        auto& list = split.packageList();
        list.selectRow(rowOf(list, custom->id));
        settle();
        save(running.window(), "package-list-custom-selected");

        if (auto* cell = list.cellFor(custom->id)) {
            cell->openMenu();
            pumpUntil([&] { return cell->menuPopover().get_mapped(); });
            settle();
            save(cell->menuPopover(), "package-context-menu");
            cell->menuPopover().popdown();
            settle();
            cell->packageLabel().activate_action("package.delete");
            if (GtkWindow* alert = waitForDialog(running.window())) {
                settle();
                save(GTK_WIDGET(alert), "package-delete-alert");
                gtk_dialog_response(GTK_DIALOG(alert), GTK_RESPONSE_CANCEL);
                settle();
            }
        }
    }

    auto& rules = openRuleList(running, "block-ads");
    save(running.window(), "rule-list-preinstalled");
    rules.searchEntry().set_text("google");
    settle();
    save(running.window(), "rule-list-search");
    rules.searchEntry().set_text("");
    click(rules.filterSegment(EnabledFilter::DisabledOnly));
    settle();
    save(running.window(), "rule-list-no-rules-cell");

    // Each editor for a first rule of its package, then filled with a rule of its kind.
    auto& list = split.packageList();
    auto editorShots = [&](const std::string& packageId, ConfigurablePackageType kind, const EditorInput& filled,
                           const std::string& name) {
        list.selectRow(rowOf(list, packageId));
        settle();
        save(running.window(), "editor-" + name + "-new");
        auto rule = services.rules().saveRule(packageId, kind, filled, std::nullopt);
        if (!rule) {
            std::cerr << rule.error().message << "\n";
            ++failures;
            return;
        }
        running.settleCore();
        list.selectRow(rowOf(list, packageId));
        settle();
        split.showRuleEditor(rule->id, packageId);
        settle();
        save(running.window(), "editor-" + name + "-filled");
    };
    EditorInput url;
    url.name = "Ad server scripts";
    url.urlFilter = "^https?://([^/]+\\.)?adserver\\.example/";
    url.resourceTypes.set(0).set(2);
    url.loadTypeSegment = 2;
    url.domainFilter = DomainFilterSelector::UnlessDomain;
    url.domainRows = {"adserver.example"};
    url.includeSubdomains = true;
    editorShots("block-url", ConfigurablePackageType::BlockURL, url, "url");
    EditorInput cookies;
    cookies.loadTypeSegment = 2;
    cookies.domainFilter = DomainFilterSelector::IfDomain;
    cookies.domainRows = {"news.example", "shop.example"};
    cookies.includeSubdomains = true;
    editorShots("block-cookies", ConfigurablePackageType::BlockCookies, cookies, "cookies");
    EditorInput hide;
    hide.name = "Cookie banners";
    hide.selector = "#cookie-banner, .consent-overlay";
    editorShots("hide-elements", ConfigurablePackageType::HideElements, hide, "css");
    EditorInput whitelist;
    whitelist.domainRows = {"bank.example", "intranet.example"};
    editorShots("whitelist", ConfigurablePackageType::Whitelist, whitelist, "whitelist");
    EditorInput https;
    https.domainRows = {"mail.example"};
    https.includeSubdomains = true;
    editorShots("make-https", ConfigurablePackageType::makeHttps, https, "https");

    // The kind chooser of a custom package, and a save WebKit would refuse.
    auto blank = services.packages().createPackage("Reading");
    if (blank) {
        running.settleCore();
        list.selectRow(rowOf(list, blank->id));
        settle();
        save(running.window(), "editor-kind-chooser");
        if (auto* chooser = dynamic_cast<desktop::CustomBlockerCreator*>(split.detail())) {
            auto* editor = dynamic_cast<desktop::URLBlockerCreator*>(&chooser->editor(0));
            if (editor != nullptr) {
                editor->urlFilter().set_text("ads|banners");
                click(editor->saveButton());
                pumpUntil([&] { return controller.messageContainer() != nullptr; });
                finishFades(*clock);
                save(running.window(), "editor-failed-save-message");
                dismiss(running, *clock);
                save(running.window(), "editor-failed-save");
            }
        }
    }

    list.selectRow(list.rowCount() - 1);
    settle();
    clock->advance(500ms);
    settle();
    save(running.window(), "package-list-pending-package");

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
