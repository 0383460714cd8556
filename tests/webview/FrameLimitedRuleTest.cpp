// A rule limited to one frame, imported from WebKit's own list and compiled by the rebuild, blocks
// inside that frame only when a WebKit view applies the compiled content blocker.
//
// The pages come from a server inside this test on 127.0.0.1; the view reports what loaded
// through the page title, and the test runs the main loop until the title tells it.

#include "browser/ContentBlockerManager.h"
#include "model/JsonEncoding.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <libsoup/soup.h>
#include <webkit/webkit.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

template <typename Object>
struct Unref {
    void operator()(Object* object) const { g_object_unref(object); }
};
template <typename Object>
using Owned = std::unique_ptr<Object, Unref<Object>>;

// Runs the default main context until `done` holds; false when `limit` passed first. The timer
// only wakes the loop to give up; nothing waits for a fixed time.
bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60)) {
    bool expired = false;
    const guint timer = g_timeout_add_seconds(
        static_cast<guint>(limit.count()),
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired);
    while (!done() && !expired) {
        g_main_context_iteration(nullptr, TRUE);
    }
    if (!expired) {
        g_source_remove(timer);
    }
    return done();
}

// The top page shows an image and a frame that shows one; the frame tells the top page what
// happened to its image, and the top page puts both outcomes into its title.
constexpr const char* kTopPage = R"html(<!DOCTYPE html><html><head><title>loading</title><script>
const seen = {};
function report(what, outcome) {
  seen[what] = outcome;
  if (seen.top && seen.frame) document.title = "top:" + seen.top + " frame:" + seen.frame;
}
window.addEventListener("message", (event) => report("frame", event.data));
</script></head><body>
<img src="pixel.png?top" onload="report('top', 'load')" onerror="report('top', 'error')">
<iframe src="iframe.html"></iframe>
</body></html>)html";

constexpr const char* kFramePage = R"html(<!DOCTYPE html><html><body>
<img src="pixel.png?frame" onload="parent.postMessage('load', '*')" onerror="parent.postMessage('error', '*')">
</body></html>)html";

// A 1×1 transparent PNG.
constexpr unsigned char kPixel[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
    0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D,
    0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// Serves the two pages and the pixel under any folder, and notes every path asked for.
class PageServer {
public:
    PageServer() : server_(soup_server_new(nullptr, nullptr)) {
        soup_server_add_handler(server_.get(), nullptr, &PageServer::serve, this, nullptr);
        GError* error = nullptr;
        if (!soup_server_listen_local(server_.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
            return;
        }
        GSList* uris = soup_server_get_uris(server_.get());
        gchar* text = g_uri_to_string(static_cast<GUri*>(uris->data));
        base_ = text; // ends in "/"
        g_free(text);
        g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    }

    std::string url(const std::string& path) const { return base_ + path.substr(1); }
    bool requested(const std::string& pathAndQuery) const { return requested_.contains(pathAndQuery); }

private:
    static void serve(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer self) {
        auto* server = static_cast<PageServer*>(self);
        GUri* uri = soup_server_message_get_uri(message);
        const char* query = g_uri_get_query(uri);
        server->requested_.insert(std::string(path) + (query != nullptr ? "?" + std::string(query) : ""));
        const std::string name = fs::path(path).filename();
        soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
        if (name == "pixel.png") {
            soup_server_message_set_response(message, "image/png", SOUP_MEMORY_STATIC,
                                             reinterpret_cast<const char*>(kPixel), sizeof kPixel);
        } else if (name == "index.html" || name == "iframe.html") {
            const char* page = name == "index.html" ? kTopPage : kFramePage;
            soup_server_message_set_response(message, "text/html", SOUP_MEMORY_STATIC, page, std::strlen(page));
        } else {
            soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
        }
    }

    Owned<SoupServer> server_;
    std::string base_;
    std::set<std::string> requested_;
};

// The filter that the rebuild compiled into the shared container, as the browser loads it.
WebKitUserContentFilter* compiledFilter(const fs::path& store) {
    Owned<WebKitUserContentFilterStore> filters(webkit_user_content_filter_store_new(store.c_str()));
    struct Load {
        bool done = false;
        WebKitUserContentFilter* filter = nullptr;
        std::string error;
    } load;
    webkit_user_content_filter_store_load(
        filters.get(), browser::kContentBlockerIdentifier, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* state = static_cast<Load*>(data);
            GError* error = nullptr;
            state->filter =
                webkit_user_content_filter_store_load_finish(WEBKIT_USER_CONTENT_FILTER_STORE(source), result, &error);
            if (error != nullptr) {
                state->error = error->message;
                g_error_free(error);
            }
            state->done = true;
        },
        &load);
    EXPECT_TRUE(runUntil([&] { return load.done; }));
    EXPECT_NE(load.filter, nullptr) << load.error;
    return load.filter;
}

// Loads the top page of `folder` in a new view and answers its title once both outcomes are in.
std::string visit(const PageServer& server, const std::string& folder, WebKitUserContentFilter* filter) {
    Owned<WebKitUserContentManager> content(webkit_user_content_manager_new());
    if (filter != nullptr) {
        webkit_user_content_manager_add_filter(content.get(), filter);
    }
    Owned<WebKitNetworkSession> session(webkit_network_session_new_ephemeral());
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session.get(),
                                              "user-content-manager", content.get(), nullptr));
    GtkWidget* window = gtk_window_new();
    gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(view));
    gtk_window_present(GTK_WINDOW(window));
    webkit_web_view_load_uri(view, server.url("/" + folder + "/index.html").c_str());
    std::string title;
    runUntil([&] {
        const char* current = webkit_web_view_get_title(view);
        title = current != nullptr ? current : "";
        return title.starts_with("top:");
    });
    gtk_window_destroy(GTK_WINDOW(window));
    return title;
}

} // namespace

TEST(WebView, AFrameLimitedRuleBlocksOnlyInsideTheFrame) {
    const TempHome home;
    ::setenv("HOME", home.home().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home.home() / "data").c_str(), 1);
    writeText(home.resources() / "PreinstalledPackages.json",
              *toJSONString(std::vector<Package>{
                  makePackage("block-ads", "Ads", {blockRule("ads-1", "^https?://ads\\.example/")})}));
    const fs::path list = home.home() / "Downloads" / "frame-url.json";
    writeText(list, readText(fs::path(ORVANE_TEST_DATA) / "content-blocker-lists/probes/webkit-frame-url.html.json"));
    auto imported = orvanectl({"import", list.string()});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    ASSERT_NE(readText(home.shared() / "tmp.json").find(R"("if-frame-url":["iframe.html"])"), std::string::npos);

    gtk_init();
    const PageServer server;
    WebKitUserContentFilter* filter = compiledFilter(home.shared() / "ContentFilters");
    ASSERT_NE(filter, nullptr);

    EXPECT_EQ(visit(server, "plain", nullptr), "top:load frame:load");
    EXPECT_EQ(visit(server, "filtered", filter), "top:load frame:error");
    EXPECT_TRUE(server.requested("/filtered/pixel.png?top"));
    EXPECT_TRUE(server.requested("/filtered/iframe.html"));
    EXPECT_FALSE(server.requested("/filtered/pixel.png?frame"));
    webkit_user_content_filter_unref(filter);
}
