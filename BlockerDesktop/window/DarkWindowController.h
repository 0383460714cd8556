#pragma once

#include "window/Clock.h"
#include "window/MessageView.h"
#include "window/OnScreenMessage.h"

#include <giomm/simpleaction.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/box.h>
#include <gtkmm/builder.h>
#include <gtkmm/overlay.h>
#include <gtkmm/paned.h>

#include <functional>
#include <memory>
#include <string>

namespace orvane::desktop {

// The application's one main window (DarkWindow.ui): a header bar with the primary menu and the
// split view, the package list on the left and the detail pane on the right. One message at a
// time can be laid over the whole content; while it is there, the content takes no input.
class DarkWindowController {
public:
    // `openExtensionSettings` is what the welcome message's button does before it goes.
    explicit DarkWindowController(std::function<void()> openExtensionSettings,
                                  std::shared_ptr<Clock> clock = Clock::mainLoop());
    ~DarkWindowController();
    DarkWindowController(const DarkWindowController&) = delete;
    DarkWindowController& operator=(const DarkWindowController&) = delete;

    Gtk::ApplicationWindow& window() { return *window_; }
    // The slots the package list and the detail pane (rule list or editor) go in.
    Gtk::Box& packagePane() { return *packagePane_; }
    Gtk::Box& detailPane() { return *detailPane_; }
    // Panes presented over the detail pane (CustomAnimator) go here.
    Gtk::Overlay& detailOverlay() { return *detailOverlay_; }
    Gtk::Paned& splitView() { return *splitView_; }
    // What a message covers and makes insensitive.
    Gtk::Widget& content() { return *splitView_; }
    // The rule list's search field, where Ctrl+F goes; until there is one the key does nothing.
    void setSearchField(Gtk::Widget* field);

    // Lays the message over the content, unless one is there already: then the new one is
    // dropped with a log line.
    void showMessage(OnScreenMessage message);
    // A single-part message whose completion runs the caller's, then hides the message; shown
    // from the main queue.
    void showModalMessage(const std::string& message, const std::string& buttonTitle, bool showSkipper,
                          std::function<void()> completion);
    // The welcome message, from the main queue.
    void showIntro();
    // Fades the message out and takes it away; its completion runs unless it is what hid it.
    void hideMessage();
    // A message completion that runs `then` (if any) and hides the message it belongs to.
    std::function<void()> dismissingCompletion(std::function<void()> then);

    // The message on screen, if any.
    MessageView* messageContainer() { return messageContainer_.get(); }

private:
    void hide(bool fromCompletion);
    void restoreFrame();
    void saveFrame();
    // Runs `work` on the main queue if the controller still lives then.
    void later(std::function<void(DarkWindowController&)> work);

    std::function<void()> openExtensionSettings_;
    std::shared_ptr<Clock> clock_;
    Glib::RefPtr<Gtk::Builder> builder_;
    std::unique_ptr<Gtk::ApplicationWindow> window_;
    Gtk::Overlay* contentOverlay_;
    Gtk::Paned* splitView_;
    Gtk::Box* packagePane_;
    Gtk::Overlay* detailOverlay_;
    Gtk::Box* detailPane_;

    Glib::RefPtr<Gio::SimpleAction> find_;
    Gtk::Widget* searchField_ = nullptr;
    std::unique_ptr<MessageView> messageContainer_;
    std::function<void()> messageCompletion_;
    bool hiding_ = false;
    std::shared_ptr<DarkWindowController*> self_ = std::make_shared<DarkWindowController*>(this);
};

} // namespace orvane::desktop
