#include "window/DarkWindowController.h"

#include "app/CoreBridge.h"
#include "platform/Log.h"
#include "window/LaterOnMain.h"

namespace orvane::desktop {

DarkWindowController::DarkWindowController(std::function<void()> openExtensionSettings, std::shared_ptr<Clock> clock)
    : openExtensionSettings_(std::move(openExtensionSettings)), clock_(std::move(clock)),
      builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/window/DarkWindow.ui")),
      window_(builder_->get_widget<Gtk::ApplicationWindow>("main_window")),
      contentOverlay_(builder_->get_widget<Gtk::Overlay>("content_overlay")),
      splitView_(builder_->get_widget<Gtk::Paned>("split_view")),
      packagePane_(builder_->get_widget<Gtk::Box>("package_pane")),
      detailOverlay_(builder_->get_widget<Gtk::Overlay>("detail_overlay")),
      detailPane_(builder_->get_widget<Gtk::Box>("detail_pane")) {
    restoreFrame();
    window_->signal_close_request().connect(
        [this] {
            saveFrame();
            // Hidden, the window would still keep the application running: it leaves it, and
            // the application ends with its last window.
            if (auto* application = window_->get_application().get()) {
                application->remove_window(*window_);
            }
            return false;
        },
        false);
    window_->add_action("close", [this] { window_->close(); });
    find_ = window_->add_action("find", [this] {
        if (searchField_ != nullptr) {
            searchField_->grab_focus();
        }
    });
    find_->set_enabled(false);
}

void DarkWindowController::setSearchField(Gtk::Widget* field) {
    searchField_ = field;
    find_->set_enabled(field != nullptr);
}

DarkWindowController::~DarkWindowController() = default;

void DarkWindowController::restoreFrame() {
    if (auto frame = core::savedWindowFrame(); frame && frame->width > 0 && frame->height > 0) {
        window_->set_default_size(frame->width, frame->height);
        if (frame->maximized) {
            window_->maximize();
        }
    }
}

void DarkWindowController::saveFrame() {
    int width = 0;
    int height = 0;
    window_->get_default_size(width, height);
    core::saveWindowFrame(core::WindowFrame{width, height, window_->is_maximized()});
}

void DarkWindowController::later(std::function<void(DarkWindowController&)> work) { laterOnMain(self_, std::move(work)); }

void DarkWindowController::showMessage(OnScreenMessage message) {
    if (messageContainer_) {
        log("Already showing a modal message");
        return;
    }
    messageCompletion_ = message.completion;
    messageContainer_ = std::make_unique<MessageView>(clock_, openExtensionSettings_);
    Gtk::Widget& view = messageContainer_->widget();
    view.set_halign(Gtk::Align::FILL);
    view.set_valign(Gtk::Align::FILL);
    contentOverlay_->add_overlay(view);
    messageContainer_->configure(std::move(message));
    // The focus leaves the content first: an insensitive widget gets no focus-out, and a text
    // field that had the focus would go on blinking its cursor.
    messageContainer_->takeFocus();
    // The shield stops the pointer; insensitive content also refuses focus and keys, which a
    // focused button would otherwise still take.
    splitView_->set_sensitive(false);
}

void DarkWindowController::showModalMessage(const std::string& message, const std::string& buttonTitle,
                                            bool showSkipper, std::function<void()> completion) {
    OnScreenMessage onScreen;
    onScreen.mainMessageParts = {message};
    onScreen.buttonTitle = buttonTitle;
    onScreen.showSkipper = showSkipper;
    onScreen.completion = dismissingCompletion(std::move(completion));
    later([onScreen = std::move(onScreen)](DarkWindowController& self) { self.showMessage(onScreen); });
}

void DarkWindowController::showIntro() {
    OnScreenMessage intro;
    intro.mainMessageParts = {"Welcome", "\nThanks for installing Orvane!\nYou're awesome.\n",
                              "Please enable Orvane extensions\nfor content blocking and quick actions."};
    intro.buttonTitle = "Open Safari Preferences";
    intro.introMode = true;
    intro.showSkipper = true;
    intro.completion = dismissingCompletion(nullptr);
    later([intro = std::move(intro)](DarkWindowController& self) { self.showMessage(intro); });
}

void DarkWindowController::hideMessage() { hide(false); }

std::function<void()> DarkWindowController::dismissingCompletion(std::function<void()> then) {
    return [weak = std::weak_ptr<DarkWindowController*>(self_), then = std::move(then)] {
        if (then) {
            then();
        }
        if (auto self = weak.lock()) {
            (*self)->hide(true);
        }
    };
}

void DarkWindowController::hide(bool fromCompletion) {
    if (!messageContainer_ || hiding_) {
        return;
    }
    hiding_ = true;
    messageContainer_->fadeOut([this, fromCompletion] {
        contentOverlay_->remove_overlay(messageContainer_->widget());
        splitView_->set_sensitive(true);
        auto completion = std::move(messageCompletion_);
        messageCompletion_ = nullptr;
        // The view goes once nothing of it runs any more.
        later([view = std::shared_ptr<MessageView>(std::move(messageContainer_))](DarkWindowController&) {});
        hiding_ = false;
        if (!fromCompletion && completion) {
            completion();
        }
    });
}

} // namespace orvane::desktop
