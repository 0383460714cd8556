#include "panes/LinkOpener.h"

#include "platform/Log.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

namespace orvane::desktop {
namespace {

void logFailure(const std::string& uri, GError* error) {
    log("Can't open " + uri + " in the default browser: " + (error != nullptr ? error->message : "unknown error"));
    g_clear_error(&error);
}

class DefaultBrowser final : public LinkOpener {
public:
    void open(const std::string& uri, Gtk::Window* parent) override {
        // The callback owns the text once the launch has started.
        auto* link = std::make_unique<std::string>(uri).release();
#if GTK_CHECK_VERSION(4, 10, 0)
        GtkUriLauncher* launcher = gtk_uri_launcher_new(uri.c_str());
        gtk_uri_launcher_launch(
            launcher, parent != nullptr ? parent->gobj() : nullptr, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<std::string> link(static_cast<std::string*>(data));
                GError* error = nullptr;
                if (!gtk_uri_launcher_launch_finish(GTK_URI_LAUNCHER(source), result, &error)) {
                    logFailure(*link, error);
                }
                g_object_unref(source);
            },
            link);
#else
        GdkDisplay* display = parent != nullptr ? gtk_widget_get_display(GTK_WIDGET(parent->gobj()))
                                                : gdk_display_get_default();
        GdkAppLaunchContext* context = display != nullptr ? gdk_display_get_app_launch_context(display) : nullptr;
        g_app_info_launch_default_for_uri_async(
            uri.c_str(), context != nullptr ? G_APP_LAUNCH_CONTEXT(context) : nullptr, nullptr,
            [](GObject*, GAsyncResult* result, gpointer data) {
                std::unique_ptr<std::string> link(static_cast<std::string*>(data));
                GError* error = nullptr;
                if (!g_app_info_launch_default_for_uri_finish(result, &error)) {
                    logFailure(*link, error);
                }
            },
            link);
        if (context != nullptr) {
            g_object_unref(context);
        }
#endif
    }
};

} // namespace

std::shared_ptr<LinkOpener> defaultBrowser() { return std::make_shared<DefaultBrowser>(); }

} // namespace orvane::desktop
