// The help page: Orvane's own page, loaded without network, that never leaves it: links go to
// the default browser, sections of the page scroll in place.

#include "DesktopHarness.h"

#include <webkit/webkit.h>

using namespace orvane;
using namespace orvane::test;

namespace {

using HelpTest = DesktopTest;

struct RecordingBrowser final : desktop::LinkOpener {
    void open(const std::string& uri, Gtk::Window*) override { opened.push_back(uri); }
    std::vector<std::string> opened;
};

std::string shownURI(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    return uri != nullptr ? uri : "";
}

// Runs script in the page and waits for it to finish; answers its value as text.
std::string runScript(WebKitWebView* view, const std::string& script) {
    struct Answer {
        bool done = false;
        std::string text;
    } answer;
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* answer = static_cast<Answer*>(data);
            GError* error = nullptr;
            JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
            if (value != nullptr) {
                char* text = jsc_value_to_string(value);
                answer->text = text;
                g_free(text);
                g_object_unref(value);
            } else {
                answer->text = std::string("error: ") + error->message;
                g_error_free(error);
            }
            answer->done = true;
        },
        &answer);
    EXPECT_TRUE(pumpUntil([&] { return answer.done; }));
    return answer.text;
}

} // namespace

TEST_F(HelpTest, LinksOpenInTheDefaultBrowserAndTheViewStaysOnTheHelpPage) {
    markLaunchedBefore();
    RunningApp running;
    running.app().activate_action("help");
    auto* help = running.app().helpPane();
    ASSERT_NE(help, nullptr);
    auto browser = std::make_shared<RecordingBrowser>();
    help->setLinkOpener(browser);
    WebKitWebView* view = help->webView();
    ASSERT_TRUE(pumpUntil([&] { return help->window().get_mapped() && !webkit_web_view_is_loading(view); },
                          std::chrono::seconds(60)));
    EXPECT_TRUE(desktop::HelpVC::initURL().ends_with("/faq/mac.html"));
    EXPECT_EQ(shownURI(view), desktop::HelpVC::initURL());
    // The page is Orvane's own, served from the application itself.
    EXPECT_EQ(runScript(view, "document.title"), "Orvane Help");
    EXPECT_EQ(runScript(view, "['packages', 'rules', 'switches', 'sync', 'import-export', 'inspector', 'reports', "
                              "'gnome-web', 'orvanectl'].every(id => document.getElementById(id) !== null)"),
              "true");
    EXPECT_EQ(runScript(view, "document.querySelector('header img').naturalWidth > 0"), "true");

    // A link to another site goes to the browser; the view does not move.
    const std::string external = runScript(view, "document.querySelector('a[href^=\"https:\"]').href");
    ASSERT_TRUE(external.starts_with("https://")) << external;
    runScript(view, "document.querySelector('a[href^=\"https:\"]').click(); 0");
    ASSERT_TRUE(pumpUntil([&] { return !browser->opened.empty(); }));
    EXPECT_EQ(browser->opened, std::vector<std::string>{external});
    settle();
    EXPECT_FALSE(webkit_web_view_is_loading(view));
    EXPECT_EQ(shownURI(view), desktop::HelpVC::initURL());

    // A link of the contents scrolls the page to its section, which is still the help page.
    runScript(view, "document.querySelector('nav a[href=\"#reports\"]').click(); 0");
    ASSERT_TRUE(pumpUntil([&] { return shownURI(view) == desktop::HelpVC::initURL() + "#reports"; }));
    EXPECT_EQ(browser->opened.size(), 1u);
}
