// The default catalog, with EasyList and EasyPrivacy converted, compiled by `orvanectl rebuild`
// and applied by a WebKit view: a news page shows its own photo, never requests the ad host that
// EasyList names, and hides an element for each group of generic selectors.
//
// Every request of the view goes through a proxy inside this test, which serves the pages of
// every host and notes each URL asked for; the page reports through its title what loaded and
// what is hidden, and the test runs the main loop until the title tells it.

#include "model/JsonDecoding.h"
#include "platform/AtomicFile.h"
#include "platform/JsonText.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"
#include "webview/WebViewSupport.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <re2/re2.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

// The ad: a host EasyList blocks ("||adnxs.com^").
constexpr const char* kAdHost = "adnxs.com";
constexpr const char* kAdUrl = "http://ib.adnxs.com/seg?add=1&t=2";
constexpr const char* kPageUrl = "http://news.example.test/article.html";

// The page: its photo, the ad, one element per generic selector, and an ordinary paragraph.
std::string articlePage(const std::vector<std::string>& hiddenSelectors) {
    std::string elements;
    for (const std::string& selector : hiddenSelectors) {
        const std::string name = selector.substr(1);
        elements += selector.front() == '#' ? "<div class=\"probe\" id=\"" + name + "\">ad</div>\n"
                                            : "<div class=\"probe " + name + "\">ad</div>\n";
    }
    return R"html(<!DOCTYPE html><html><head><title>loading</title><script>
const seen = {};
function report(what, outcome) {
  seen[what] = outcome;
  if (!seen.photo || !seen.ad) return;
  const probes = [...document.querySelectorAll(".probe")];
  const hidden = probes.filter((probe) => getComputedStyle(probe).display === "none").length;
  const text = getComputedStyle(document.getElementById("text")).display !== "none" ? "shown" : "hidden";
  document.title = "photo:" + seen.photo + " ad:" + seen.ad + " hidden:" + hidden + "/" + probes.length + " text:" + text;
}
</script></head><body>
<p id="text">An ordinary article.</p>
<img src="/photo.png" onload="report('photo', 'load')" onerror="report('photo', 'error')">
<img src=")html" + std::string(kAdUrl) + R"html(" onload="report('ad', 'load')" onerror="report('ad', 'error')">
)html" + elements + "</body></html>";
}

// A proxy that serves every host: the article, and a pixel for anything else.
class ProxyServer {
public:
    explicit ProxyServer(std::string page) : page_(std::move(page)), server_(&ProxyServer::serve, this) {}

    const std::string& address() const { return server_.address; }
    bool requestedHost(const std::string& site) const {
        return std::any_of(hosts_.begin(), hosts_.end(), [&](const std::string& host) {
            return host == site || host.ends_with("." + site);
        });
    }
    bool requested(const std::string& url) const { return urls_.contains(url); }

private:
    static void serve(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer self) {
        auto* proxy = static_cast<ProxyServer*>(self);
        GUri* uri = soup_server_message_get_uri(message);
        gchar* text = g_uri_to_string(uri);
        proxy->urls_.insert(text);
        g_free(text);
        proxy->hosts_.insert(g_uri_get_host(uri) != nullptr ? g_uri_get_host(uri) : "");
        soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
        if (std::string(path) == "/article.html") {
            soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, proxy->page_.data(),
                                             proxy->page_.size());
        } else {
            soup_server_message_set_response(message, "image/png", SOUP_MEMORY_STATIC, pixelPng().data(),
                                             pixelPng().size());
        }
    }

    std::string page_;
    LocalServer server_;
    std::set<std::string> urls_;
    std::set<std::string> hosts_;
};

std::string visit(const ProxyServer& proxy, WebKitUserContentFilter* filter) {
    return test::visit(kPageUrl, filter, "photo:", proxy.address(), std::chrono::seconds(120));
}

// One plain selector (".name" or "#name") from each generic group of "block-ads".
std::vector<std::string> oneSelectorPerGenericGroup(const std::vector<Package>& packages) {
    const RE2 plain("[.#][A-Za-z_][A-Za-z0-9_-]*");
    std::vector<std::string> selectors;
    for (const Package& package : packages) {
        if (package.id != "block-ads") {
            continue;
        }
        for (const Rule& rule : package.rules) {
            if (rule.blocker.action.type != ActionType::Hide || rule.blocker.trigger.domainFilter) {
                continue;
            }
            std::string_view list = *rule.blocker.action.selector;
            while (!list.empty()) {
                const std::size_t comma = list.find(", ");
                const std::string selector(list.substr(0, comma));
                list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 2);
                if (RE2::FullMatch(selector, plain)) {
                    selectors.push_back(selector);
                    break;
                }
            }
        }
    }
    return selectors;
}

} // namespace

TEST(WebView, TheDefaultCatalogBlocksAnEasyListAdHostAndShowsTheArticle) {
    const TempHome home;
    ::setenv("HOME", home.home().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home.home() / "data").c_str(), 1);
    ::setenv("ORVANE_RESOURCES", ORVANE_BUILD_RESOURCES, 1);
    const auto document = parseJson(readWholeFile(fs::path(ORVANE_BUILD_RESOURCES) / "PreinstalledPackages.json").value_or(""));
    ASSERT_TRUE(document.has_value());
    const auto packages = packagesFromJSON(*document);
    ASSERT_FALSE(packages.empty());
    const auto& ads = packages.front();
    ASSERT_EQ(ads.id, "block-ads");
    ASSERT_TRUE(std::any_of(ads.rules.begin(), ads.rules.end(), [](const Rule& rule) { return rule.name == kAdHost; }))
        << "EasyList no longer names " << kAdHost;
    const auto selectors = oneSelectorPerGenericGroup(packages);
    ASSERT_GE(selectors.size(), 8u);

    auto rebuilt = orvanectl({"rebuild"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;

    gtk_init();
    const ProxyServer proxy(articlePage(selectors));
    WebKitUserContentFilter* filter = compiledFilter(home.shared() / "ContentFilters", std::chrono::seconds(120));
    ASSERT_NE(filter, nullptr);

    const std::string all = std::to_string(selectors.size());
    EXPECT_EQ(visit(proxy, nullptr), "photo:load ad:load hidden:0/" + all + " text:shown");
    ASSERT_TRUE(proxy.requestedHost(kAdHost)) << "the proxy does not see the view's requests";

    const ProxyServer filtered(articlePage(selectors));
    EXPECT_EQ(visit(filtered, filter), "photo:load ad:error hidden:" + all + "/" + all + " text:shown");
    EXPECT_TRUE(filtered.requested("http://news.example.test/photo.png"));
    EXPECT_FALSE(filtered.requestedHost(kAdHost));
    webkit_user_content_filter_unref(filter);
}
