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

#include "browser/ContentBlockerManager.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <libsoup/soup.h>
#include <re2/re2.h>
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

// The ad: a host EasyList blocks ("||adnxs.com^").
constexpr const char* kAdHost = "adnxs.com";
constexpr const char* kAdUrl = "http://ib.adnxs.com/seg?add=1&t=2";
constexpr const char* kPageUrl = "http://news.example.test/article.html";

bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
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

// A 1×1 transparent PNG.
constexpr unsigned char kPixel[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
    0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D,
    0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

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
    explicit ProxyServer(std::string page) : page_(std::move(page)), server_(soup_server_new(nullptr, nullptr)) {
        soup_server_add_handler(server_.get(), nullptr, &ProxyServer::serve, this, nullptr);
        GError* error = nullptr;
        if (!soup_server_listen_local(server_.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
            return;
        }
        GSList* uris = soup_server_get_uris(server_.get());
        gchar* text = g_uri_to_string(static_cast<GUri*>(uris->data));
        address_ = text;
        g_free(text);
        g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    }

    const std::string& address() const { return address_; }
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
            soup_server_message_set_response(message, "image/png", SOUP_MEMORY_STATIC,
                                             reinterpret_cast<const char*>(kPixel), sizeof kPixel);
        }
    }

    std::string page_;
    Owned<SoupServer> server_;
    std::string address_;
    std::set<std::string> urls_;
    std::set<std::string> hosts_;
};

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
    EXPECT_TRUE(runUntil([&] { return load.done; }, std::chrono::seconds(120)));
    EXPECT_NE(load.filter, nullptr) << load.error;
    return load.filter;
}

std::string visit(const ProxyServer& proxy, WebKitUserContentFilter* filter) {
    Owned<WebKitUserContentManager> content(webkit_user_content_manager_new());
    if (filter != nullptr) {
        webkit_user_content_manager_add_filter(content.get(), filter);
    }
    Owned<WebKitNetworkSession> session(webkit_network_session_new_ephemeral());
    WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy.address().c_str(), nullptr);
    webkit_network_session_set_proxy_settings(session.get(), WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
    webkit_network_proxy_settings_free(settings);
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session.get(),
                                              "user-content-manager", content.get(), nullptr));
    GtkWidget* window = gtk_window_new();
    gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(view));
    gtk_window_present(GTK_WINDOW(window));
    webkit_web_view_load_uri(view, kPageUrl);
    std::string title;
    runUntil(
        [&] {
            const char* current = webkit_web_view_get_title(view);
            title = current != nullptr ? current : "";
            return title.starts_with("photo:");
        },
        std::chrono::seconds(120));
    gtk_window_destroy(GTK_WINDOW(window));
    return title;
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
    WebKitUserContentFilter* filter = compiledFilter(home.shared() / "ContentFilters");
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
