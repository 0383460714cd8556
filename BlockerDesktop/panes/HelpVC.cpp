#include "panes/HelpVC.h"

#include "panes/PaneWindows.h"

#include "panes/HelpScheme.h"

#include <webkit/webkit.h>

#include <algorithm>
#include <array>

namespace orvane::desktop {
namespace {

// What the page's context menu keeps: nothing in it can take the view elsewhere.
constexpr std::array kKeptMenuActions{WEBKIT_CONTEXT_MENU_ACTION_COPY,
                                      WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD,
                                      WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL};

gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer self) {
    return static_cast<HelpVC*>(self)->decidePolicy(decision, type) ? TRUE : FALSE;
}

gboolean onContextMenu(WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer) {
    GList* items = g_list_copy(webkit_context_menu_get_items(menu));
    for (GList* item = items; item != nullptr; item = item->next) {
        auto* entry = static_cast<WebKitContextMenuItem*>(item->data);
        const auto action = webkit_context_menu_item_get_stock_action(entry);
        if (std::find(kKeptMenuActions.begin(), kKeptMenuActions.end(), action) == kKeptMenuActions.end()) {
            webkit_context_menu_remove(menu, entry);
        }
    }
    g_list_free(items);
    return webkit_context_menu_get_n_items(menu) == 0 ? TRUE : FALSE;
}

// A page of the help site opens a new view for nothing: the policy sends its address away.
GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }

} // namespace

HelpVC::HelpVC(std::shared_ptr<LinkOpener> linkOpener)
    : linkOpener_(std::move(linkOpener)),
      builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/panes/HelpVC.ui")),
      window_(builder_->get_widget<Gtk::Window>("help_window")) {
    closeOnEscape(*window_);
    registerHelpScheme();
    // The help needs no network and leaves nothing on disk.
    WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
    webView_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
    g_object_unref(session);
    WebKitSettings* settings = webkit_web_view_get_settings(webView_);
    // The page runs no script of its own.
    g_object_set(settings, "enable-javascript-markup", FALSE, "enable-developer-extras", FALSE, nullptr);
    GtkWidget* view = GTK_WIDGET(webView_);
    gtk_widget_set_vexpand(view, TRUE);
    gtk_widget_set_hexpand(view, TRUE);
    GdkRGBA background{0.13f, 0.13f, 0.14f, 1.0f};
    webkit_web_view_set_background_color(webView_, &background);
    builder_->get_widget<Gtk::Box>("web_view_slot")->append(*Glib::wrap(view));
    g_signal_connect(webView_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(webView_, "context-menu", G_CALLBACK(onContextMenu), nullptr);
    g_signal_connect(webView_, "create", G_CALLBACK(onCreate), nullptr);
    webkit_web_view_load_uri(webView_, initURL().c_str());
}

HelpVC::~HelpVC() {
    // The window goes first; the view must not call back into a controller that is gone.
    g_signal_handlers_disconnect_by_data(webView_, this);
}

const std::string& HelpVC::initURL() {
    static const std::string url = std::string(kHelpScheme) + ":///faq/mac.html";
    return url;
}

void HelpVC::present(Gtk::Window* parent) {
    if (parent != nullptr) {
        window_->set_transient_for(*parent);
    }
    window_->present();
}

bool HelpVC::isHelpPage(const std::string& uri) {
    return uri == initURL() || uri.starts_with(initURL() + "#");
}

bool HelpVC::decidePolicy(WebKitPolicyDecision* decision, int type) {
    const bool navigation = type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION;
    if (!navigation && type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        return false;
    }
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* requested = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string uri = requested != nullptr ? requested : "";
    if (navigation && isHelpPage(uri)) {
        webkit_policy_decision_use(decision);
        return true;
    }
    webkit_policy_decision_ignore(decision);
    if (!isHelpPage(uri) && !uri.empty() && linkOpener_) {
        linkOpener_->open(uri, window_.get());
    }
    return true;
}

} // namespace orvane::desktop
