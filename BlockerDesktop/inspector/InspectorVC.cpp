#include "inspector/InspectorVC.h"

#include "app/CoreBridge.h"
#include "panes/PaneWindows.h"

#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/eventcontrollerscroll.h>
#include <gtkmm/gestureclick.h>
#include <webkit/webkit.h>

#include <algorithm>

namespace orvane::desktop {
namespace {

constexpr int kPreviewWidth = 200;
constexpr int kPreviewHeight = 150;

// Takes every click, drag, scroll and key that reaches the widget, so nothing under it sees one.
void swallowInput(Gtk::Widget& cover) {
    auto click = Gtk::GestureClick::create();
    click->set_button(0);
    click->signal_pressed().connect([click = click.get()](int, double, double) {
        click->set_state(Gtk::EventSequenceState::CLAIMED);
    });
    cover.add_controller(click);
    auto scroll = Gtk::EventControllerScroll::create();
    scroll->set_flags(Gtk::EventControllerScroll::Flags::BOTH_AXES);
    scroll->signal_scroll().connect([](double, double) { return true; }, false);
    cover.add_controller(scroll);
    auto keys = Gtk::EventControllerKey::create();
    keys->signal_key_pressed().connect([](guint, guint, Gdk::ModifierType) { return true; }, false);
    cover.add_controller(keys);
}

} // namespace

InspectorVC::InspectorVC(std::shared_ptr<Clock> clock, inspection::InspectionEngine::Options options)
    : clock_(std::move(clock)),
      builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/inspector/InspectorVC.ui")),
      window_(builder_->get_widget<Gtk::Window>("inspector_window")),
      urlField_(builder_->get_widget<Gtk::Entry>("url_field")),
      testButton_(builder_->get_widget<Gtk::Button>("test_button")),
      loadProgress_(builder_->get_widget<Gtk::ProgressBar>("load_progress")),
      introDescription_(builder_->get_widget<Gtk::Label>("intro_description")),
      statsContainerStack_(builder_->get_widget<Gtk::Box>("stats_container_stack")),
      preview_(builder_->get_widget<Gtk::Overlay>("preview")),
      opaqueWebViewCover_(builder_->get_widget<Gtk::Box>("opaque_web_view_cover")),
      innerStatsStack_(builder_->get_widget<Gtk::Grid>("inner_stats_stack")),
      adsCountLabel_(builder_->get_widget<Gtk::Label>("ads_count_label")),
      trackersCountLabel_(builder_->get_widget<Gtk::Label>("trackers_count_label")),
      widgetCountLabel_(builder_->get_widget<Gtk::Label>("widget_count_label")),
      pageSizeLabel_(builder_->get_widget<Gtk::Label>("page_size_label")),
      timeValueLabel_(builder_->get_widget<Gtk::Label>("time_value_label")),
      errorLabel_(builder_->get_widget<Gtk::Label>("error_label")),
      bottomPanelStack_(builder_->get_widget<Gtk::Box>("bottom_panel_stack")),
      installSEButton_(builder_->get_widget<Gtk::Button>("install_se_button")),
      inspection_(core::newPageInspection([clock = clock_] {
          return std::chrono::steady_clock::time_point(
              std::chrono::duration_cast<std::chrono::steady_clock::duration>(clock->now()));
      })),
      engine_(std::make_unique<inspection::InspectionEngine>(*inspection_, std::move(options))),
      introFade_(*introDescription_, clock_), statsFade_(*statsContainerStack_, clock_),
      progressFade_(*loadProgress_, clock_) {
    closeOnEscape(*window_);
    WebKitWebView* view = engine_->webView();
    webView_ = Glib::wrap(GTK_WIDGET(view));
    webView_->set_size_request(kPreviewWidth, kPreviewHeight);
    // The preview is a picture of the page: nothing in it takes focus, input or edits.
    webView_->set_focusable(false);
    webView_->set_can_target(false);
    webkit_web_view_set_zoom_level(view, 0.3);
    // The preview's size is its fixed frame's: a web view asks for the width of its page. The
    // view lies over the frame, and the cover over the view.
    preview_->remove_overlay(*opaqueWebViewCover_);
    preview_->add_overlay(*webView_);
    preview_->add_overlay(*opaqueWebViewCover_);
    swallowInput(*opaqueWebViewCover_);

    urlField_->signal_activate().connect([this] { startInspecting(); });
    testButton_->signal_clicked().connect([this] { startInspecting(); });
    installSEButton_->signal_clicked().connect([this] { installSEButtonTapped(); });
    inspection_->setObserver([this](const InspectionFigures& figures) { show(figures); });
    engine_->setProgressObserver([this](double progress, bool finished) { progressChanged(progress, finished); });
}

InspectorVC::~InspectorVC() {
    if (progressTick_ != 0) {
        loadProgress_->remove_tick_callback(progressTick_);
    }
    inspection_->setObserver(nullptr);
    engine_->setProgressObserver(nullptr);
    // The view belongs to the engine; the window lets go of it first.
    preview_->remove_overlay(*webView_);
    engine_.reset();
}

void InspectorVC::setDisplayedAsPartOfIntroProcess(bool displayed) {
    displayedAsPartOfIntroProcess_ = displayed;
    bottomPanelStack_->set_visible(displayed);
}

void InspectorVC::present(Gtk::Window* parent) {
    if (parent != nullptr) {
        window_->set_transient_for(*parent);
    }
    window_->set_focus(*urlField_);
    window_->present();
}

void InspectorVC::startInspecting() {
    const std::string typed = urlField_->get_text();
    if (!engine_->inspect(typed)) {
        return;
    }
    if (addressObserver_ && inspection_->inspectedAddress()) {
        addressObserver_(*inspection_->inspectedAddress());
    }
    progressFade_.start(1.0, Clock::Duration::zero());
    loadProgress_->set_opacity(1.0);
    progressFrom_ = progressTo_ = 0;
    loadProgress_->set_fraction(0);
    if (introDescription_->get_visible() && introDescription_->get_opacity() > 0) {
        revealStatistics();
    }
}

void InspectorVC::revealStatistics() {
    introFade_.start(0.0, kFadeDuration, [this] {
        introDescription_->set_visible(false);
        statsContainerStack_->set_visible(true);
        statsFade_.start(1.0, kFadeDuration);
    });
}

void InspectorVC::installSEButtonTapped() {
    window_->close();
    if (dismissal_) {
        dismissal_();
    }
}

void InspectorVC::show(const InspectionFigures& figures) {
    adsCountLabel_->set_text(figures.adsCount);
    trackersCountLabel_->set_text(figures.trackersCount);
    widgetCountLabel_->set_text(figures.widgetCount);
    pageSizeLabel_->set_text(figures.pageSize);
    timeValueLabel_->set_text(figures.time);
    errorLabel_->set_text(figures.error.empty() ? " " : figures.error);
}

void InspectorVC::progressChanged(double progress, bool finished) {
    if (finished) {
        progressTo_ = 1.0;
        loadProgress_->set_fraction(1.0);
        progressFade_.start(0.0, kFadeDuration);
        return;
    }
    progressFrom_ = loadProgress_->get_fraction();
    progressTo_ = std::clamp(progress, 0.0, 1.0);
    progressBegin_ = clock_->now();
    if (!loadProgress_->get_mapped()) {
        loadProgress_->set_fraction(progressTo_);
        return;
    }
    if (progressTick_ == 0) {
        progressTick_ =
            loadProgress_->add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>&) { return stepProgress(); });
    }
}

bool InspectorVC::stepProgress() {
    const auto duration = std::chrono::duration_cast<Clock::Duration>(kProgressDuration);
    const double done = std::clamp(double((clock_->now() - progressBegin_).count()) / double(duration.count()), 0.0, 1.0);
    loadProgress_->set_fraction(progressFrom_ + (progressTo_ - progressFrom_) * done);
    if (done >= 1.0) {
        progressTick_ = 0;
        return false;
    }
    return true;
}

} // namespace orvane::desktop
