#include "window/MessageView.h"

#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/eventcontrollerscroll.h>
#include <gtkmm/gestureclick.h>

#include <algorithm>

namespace orvane::desktop {
namespace {

constexpr auto kRevealStep = std::chrono::seconds(1);
constexpr auto kRevealDuration = std::chrono::milliseconds(400);
constexpr auto kHideDuration = std::chrono::milliseconds(250);
constexpr int kSpacing = 30;
constexpr int kIntroSpacing = 20;

} // namespace

MessageView::MessageView(std::shared_ptr<Clock> clock, std::function<void()> openExtensionSettings)
    : clock_(std::move(clock)), openExtensionSettings_(std::move(openExtensionSettings)),
      builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/window/MessageView.ui")),
      root_(builder_->get_widget<Gtk::Box>("message_view")), stack_(builder_->get_widget<Gtk::Box>("message_stack")),
      button_(builder_->get_widget<Gtk::Button>("message_button")),
      skipButton_(builder_->get_widget<Gtk::Button>("skip_button")) {
    button_->signal_clicked().connect([this] { didTapButton(); });
    skipButton_->signal_clicked().connect([this] { didTapSkipButton(); });

    // Every press and scroll that reaches the view ends here; the content below never sees it.
    auto clicks = Gtk::GestureClick::create();
    clicks->set_button(0);
    clicks->signal_pressed().connect(
        [clicks = clicks.get()](int, double, double) { clicks->set_state(Gtk::EventSequenceState::CLAIMED); });
    root_->add_controller(clicks);
    auto scrolls = Gtk::EventControllerScroll::create();
    scrolls->set_flags(Gtk::EventControllerScroll::Flags::BOTH_AXES);
    scrolls->signal_scroll().connect([](double, double) { return true; }, false);
    root_->add_controller(scrolls);
    fade_ = std::make_unique<Fade>(*root_, clock_);
}

void MessageView::configure(OnScreenMessage message) {
    message_ = std::move(message);
    const bool intro = message_->introMode;
    root_->add_css_class(intro ? "intro" : "information");
    stack_->set_spacing(intro ? kIntroSpacing : kSpacing);

    const std::size_t count = message_->mainMessageParts.size();
    for (std::size_t i = 0; i < count; ++i) {
        auto* label = Gtk::make_managed<Gtk::Label>(message_->mainMessageParts[i]);
        label->set_justify(Gtk::Justification::CENTER);
        label->set_halign(Gtk::Align::CENTER);
        label->set_selectable(false);
        label->add_css_class("message-label");
        if (intro && i == 0) {
            label->add_css_class("intro-title");
        } else if (intro && i + 1 == count) {
            label->add_css_class("intro-last");
        } else {
            label->add_css_class("message-text");
        }
        if (labels_.empty()) {
            stack_->prepend(*label);
        } else {
            stack_->insert_child_after(*label, *labels_.back());
        }
        labels_.push_back(label);
    }
    button_->set_label(message_->buttonTitle);
    skipButton_->set_visible(intro || message_->showSkipper);
    if (!message_->skipperTitle.empty()) {
        skipButton_->set_label(message_->skipperTitle);
    }

    if (!intro) {
        return;
    }
    // Hidden elements keep their place, so the stack does not move as they appear.
    for (Gtk::Widget* child = stack_->get_first_child(); child != nullptr; child = child->get_next_sibling()) {
        if (child->get_visible()) {
            conceal(*child);
            hiddenSubviews_.push_back(child);
        }
    }
    scheduleReveal();
}

void MessageView::conceal(Gtk::Widget& widget) {
    widget.set_opacity(0);
    widget.set_can_target(false);
    widget.set_focusable(false);
    elements_.push_back(Element{&widget, std::make_unique<Fade>(widget, clock_)});
}

void MessageView::scheduleReveal() {
    clock_->runAfter(kRevealStep, [weak = std::weak_ptr<MessageView*>(self_)] {
        if (auto self = weak.lock(); self && !(*self)->hiddenSubviews_.empty()) {
            (*self)->unhideNextSubview();
            if (!(*self)->hiddenSubviews_.empty()) {
                (*self)->scheduleReveal();
            }
        }
    });
}

void MessageView::unhideNextSubview() {
    if (hiddenSubviews_.empty()) {
        return;
    }
    Gtk::Widget* next = hiddenSubviews_.front();
    hiddenSubviews_.erase(hiddenSubviews_.begin());
    next->set_can_target(true);
    next->set_focusable(dynamic_cast<Gtk::Button*>(next) != nullptr);
    auto element = std::find_if(elements_.begin(), elements_.end(), [next](const Element& e) { return e.widget == next; });
    element->fade->start(1.0, kRevealDuration);
    if (next == button_ && !ended_) {
        button_->grab_focus();
    }
}

bool MessageView::isRevealed(const Gtk::Widget& element) const {
    return std::find(hiddenSubviews_.begin(), hiddenSubviews_.end(), &element) == hiddenSubviews_.end();
}

void MessageView::didTapButton() {
    if (ended_) {
        return;
    }
    if (message_ && message_->introMode && openExtensionSettings_) {
        openExtensionSettings_();
    }
    runCompletion();
}

void MessageView::didTapSkipButton() {
    if (ended_) {
        return;
    }
    runCompletion(message_ && message_->skipCompletion ? message_->skipCompletion : nullptr);
}

void MessageView::runCompletion(std::function<void()> instead) {
    // One tap ends the message: a second one during the fade-out does nothing.
    ended_ = true;
    button_->set_sensitive(false);
    skipButton_->set_sensitive(false);
    if (instead) {
        instead();
    } else if (message_ && message_->completion) {
        message_->completion();
    }
}

void MessageView::fadeOut(std::function<void()> done) {
    ended_ = true;
    fade_->start(0.0, kHideDuration, std::move(done));
}

void MessageView::takeFocus() {
    if (button_->get_focusable() && button_->get_can_target()) {
        button_->grab_focus();
    } else {
        root_->grab_focus();
    }
}

} // namespace orvane::desktop
