#pragma once

#include "window/Clock.h"
#include "window/Fade.h"
#include "window/OnScreenMessage.h"

#include <gtkmm/box.h>
#include <gtkmm/builder.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orvane::desktop {

// A message laid over the whole content of the main window (MessageView.ui). It takes every
// click and scroll that lands on it, so nothing under it can be used.
class MessageView {
public:
    // `openExtensionSettings` is what the main button does first in intro mode.
    MessageView(std::shared_ptr<Clock> clock, std::function<void()> openExtensionSettings);
    MessageView(const MessageView&) = delete;
    MessageView& operator=(const MessageView&) = delete;

    // Builds the labels and buttons for the message; in intro mode starts the reveal.
    void configure(OnScreenMessage message);

    Gtk::Widget& widget() { return *root_; }
    Gtk::Button& button() { return *button_; }
    // Absent unless the message shows it.
    Gtk::Button* skipButton() { return skipButton_->get_visible() ? skipButton_ : nullptr; }
    const std::vector<Gtk::Label*>& labels() const { return labels_; }

    // Reveals the next element still hidden (intro mode).
    void unhideNextSubview();
    std::size_t hiddenSubviewCount() const { return hiddenSubviews_.size(); }
    bool isRevealed(const Gtk::Widget& element) const;

    void didTapButton();
    void didTapSkipButton();

    // Fades the view out; `done` runs once it is fully transparent.
    void fadeOut(std::function<void()> done);
    // Gives keyboard focus to the view's button, or to the view while the button is hidden.
    void takeFocus();

private:
    struct Element {
        Gtk::Widget* widget;
        std::unique_ptr<Fade> fade;
    };
    void conceal(Gtk::Widget& widget);
    void scheduleReveal();
    // The message's completion, or `instead` when there is one.
    void runCompletion(std::function<void()> instead = nullptr);

    std::shared_ptr<Clock> clock_;
    std::function<void()> openExtensionSettings_;
    Glib::RefPtr<Gtk::Builder> builder_;
    Gtk::Box* root_;
    Gtk::Box* stack_;
    Gtk::Button* button_;
    Gtk::Button* skipButton_;
    std::vector<Gtk::Label*> labels_;
    std::vector<Element> elements_;
    std::vector<Gtk::Widget*> hiddenSubviews_;
    std::optional<OnScreenMessage> message_;
    std::unique_ptr<Fade> fade_;
    bool ended_ = false;
    // Reveals scheduled on the clock must not outlive the view.
    std::shared_ptr<MessageView*> self_ = std::make_shared<MessageView*>(this);
};

} // namespace orvane::desktop
