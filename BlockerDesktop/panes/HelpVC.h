#pragma once

#include "panes/LinkOpener.h"

#include <gtkmm/box.h>
#include <gtkmm/builder.h>
#include <gtkmm/window.h>

#include <memory>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitPolicyDecision WebKitPolicyDecision;

namespace orvane::desktop {

// The help page (HelpVC.ui): Orvane's help, shipped in the application's resources, in a web
// view that never leaves it. Only the help page itself loads there (and its own sections); every
// other link goes to the user's default browser.
class HelpVC {
public:
    explicit HelpVC(std::shared_ptr<LinkOpener> linkOpener = defaultBrowser());
    ~HelpVC();
    HelpVC(const HelpVC&) = delete;
    HelpVC& operator=(const HelpVC&) = delete;

    // The help page's address.
    static const std::string& initURL();

    // Brings the window up.
    void present(Gtk::Window* parent);

    Gtk::Window& window() { return *window_; }
    // Held by the window.
    WebKitWebView* webView() { return webView_; }
    void setLinkOpener(std::shared_ptr<LinkOpener> linkOpener) { linkOpener_ = std::move(linkOpener); }

    // The web view's navigation policy (`type` a WebKitPolicyDecisionType): the help page may
    // load, and so may a section of it; any other address opens in the default browser and the
    // view stays where it is. Answers whether it decided.
    bool decidePolicy(WebKitPolicyDecision* decision, int type);

private:
    static bool isHelpPage(const std::string& uri);

    std::shared_ptr<LinkOpener> linkOpener_;
    Glib::RefPtr<Gtk::Builder> builder_;
    std::unique_ptr<Gtk::Window> window_;
    WebKitWebView* webView_ = nullptr;
};

} // namespace orvane::desktop
