// A rule limited to one frame, imported from WebKit's own list and compiled by the rebuild, blocks
// inside that frame only when a WebKit view applies the compiled content blocker.
//
// The pages come from a server inside this test on 127.0.0.1; the view reports what loaded
// through the page title, and the test runs the main loop until the title tells it.

#include "model/JsonEncoding.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"
#include "webview/WebViewSupport.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <cstring>
#include <set>
#include <string>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

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

// Serves the two pages and the pixel under any folder, and notes every path asked for.
class PageServer {
public:
    PageServer() : server_(&PageServer::serve, this) {}

    std::string url(const std::string& path) const { return server_.address + path.substr(1); }
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
            soup_server_message_set_response(message, "image/png", SOUP_MEMORY_STATIC, pixelPng().data(),
                                             pixelPng().size());
        } else if (name == "index.html" || name == "iframe.html") {
            const char* page = name == "index.html" ? kTopPage : kFramePage;
            soup_server_message_set_response(message, "text/html", SOUP_MEMORY_STATIC, page, std::strlen(page));
        } else {
            soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
        }
    }

    LocalServer server_;
    std::set<std::string> requested_;
};

// Loads the top page of `folder` in a new view and answers its title once both outcomes are in.
std::string visit(const PageServer& server, const std::string& folder, WebKitUserContentFilter* filter) {
    return test::visit(server.url("/" + folder + "/index.html"), filter, "top:");
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
