#include "WebViewSupport.h"

#include "browser/ContentBlockerManager.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>

namespace orvane::test {

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

std::string_view pixelPng() {
    static constexpr unsigned char kPixel[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
        0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D,
        0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    return {reinterpret_cast<const char*>(kPixel), sizeof kPixel};
}

LocalServer::LocalServer(SoupServerCallback handler, void* data) : server(soup_server_new(nullptr, nullptr)) {
    soup_server_add_handler(server.get(), nullptr, handler, data, nullptr);
    GError* error = nullptr;
    if (!soup_server_listen_local(server.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return;
    }
    GSList* uris = soup_server_get_uris(server.get());
    gchar* text = g_uri_to_string(static_cast<GUri*>(uris->data));
    address = text;
    g_free(text);
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

WebKitUserContentFilter* compiledFilter(const std::filesystem::path& store, std::chrono::seconds limit) {
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
    EXPECT_TRUE(runUntil([&] { return load.done; }, limit));
    EXPECT_NE(load.filter, nullptr) << load.error;
    return load.filter;
}

std::string visit(const std::string& url, WebKitUserContentFilter* filter, const std::string& titlePrefix,
                  const std::string& proxy, std::chrono::seconds limit) {
    Owned<WebKitUserContentManager> content(webkit_user_content_manager_new());
    if (filter != nullptr) {
        webkit_user_content_manager_add_filter(content.get(), filter);
    }
    Owned<WebKitNetworkSession> session(webkit_network_session_new_ephemeral());
    if (!proxy.empty()) {
        WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy.c_str(), nullptr);
        webkit_network_session_set_proxy_settings(session.get(), WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
        webkit_network_proxy_settings_free(settings);
    }
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session.get(),
                                              "user-content-manager", content.get(), nullptr));
    GtkWidget* window = gtk_window_new();
    gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(view));
    gtk_window_present(GTK_WINDOW(window));
    webkit_web_view_load_uri(view, url.c_str());
    std::string title;
    runUntil(
        [&] {
            const char* current = webkit_web_view_get_title(view);
            title = current != nullptr ? current : "";
            return title.starts_with(titlePrefix);
        },
        limit);
    gtk_window_destroy(GTK_WINDOW(window));
    return title;
}

} // namespace orvane::test
