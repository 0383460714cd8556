#pragma once

#include "inspector/engine/InspectionEngine.h"
#include "window/Clock.h"
#include "window/Fade.h"

#include <gtkmm/box.h>
#include <gtkmm/builder.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/overlay.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/window.h>

#include <functional>
#include <memory>
#include <string>

namespace orvane::desktop {

// The page inspector (InspectorVC.ui): the user types an address, the page loads in a small
// preview that cannot be used, and the labels show how many ads, trackers and widgets it pulled
// in from other hosts, its size and its load time.
class InspectorVC {
public:
    static constexpr auto kProgressDuration = std::chrono::milliseconds(200);
    static constexpr auto kFadeDuration = std::chrono::milliseconds(300);

    explicit InspectorVC(std::shared_ptr<Clock> clock = Clock::mainLoop(),
                         inspection::InspectionEngine::Options options = {});
    ~InspectorVC();
    InspectorVC(const InspectorVC&) = delete;
    InspectorVC& operator=(const InspectorVC&) = delete;

    // Set by whoever presents the inspector as a step of the welcome sequence: the bottom
    // panel with its button shows then.
    void setDisplayedAsPartOfIntroProcess(bool displayed);
    bool displayedAsPartOfIntroProcess() const { return displayedAsPartOfIntroProcess_; }
    // What the install button does besides closing the inspector.
    void setDismissal(std::function<void()> dismissal) { dismissal_ = std::move(dismissal); }
    // Told the address of every inspection that starts.
    void setAddressObserver(std::function<void(const std::string&)> observer) { addressObserver_ = std::move(observer); }

    // Brings the window up with the address field focused.
    void present(Gtk::Window* parent);
    // The address field's action.
    void startInspecting();
    // The install button's action.
    void installSEButtonTapped();

    Gtk::Window& window() { return *window_; }
    Gtk::Entry& urlField() { return *urlField_; }
    Gtk::Button& testButton() { return *testButton_; }
    Gtk::ProgressBar& loadProgress() { return *loadProgress_; }
    Gtk::Label& introDescription() { return *introDescription_; }
    Gtk::Box& statsContainerStack() { return *statsContainerStack_; }
    Gtk::Label& adsCountLabel() { return *adsCountLabel_; }
    Gtk::Label& trackersCountLabel() { return *trackersCountLabel_; }
    Gtk::Label& widgetCountLabel() { return *widgetCountLabel_; }
    Gtk::Label& pageSizeLabel() { return *pageSizeLabel_; }
    Gtk::Label& timeValueLabel() { return *timeValueLabel_; }
    Gtk::Label& errorLabel() { return *errorLabel_; }
    Gtk::Box& bottomPanelStack() { return *bottomPanelStack_; }
    Gtk::Button& installSEButton() { return *installSEButton_; }
    Gtk::Widget& opaqueWebViewCover() { return *opaqueWebViewCover_; }
    Gtk::Widget& webView() { return *webView_; }
    // Whether the inspection has finished and every figure of it is shown.
    bool isDone() { return engine_->isDone(); }

private:
    void show(const InspectionFigures& figures);
    void revealStatistics();
    void progressChanged(double progress, bool finished);
    bool stepProgress();

    std::shared_ptr<Clock> clock_;
    Glib::RefPtr<Gtk::Builder> builder_;
    std::unique_ptr<Gtk::Window> window_;
    Gtk::Entry* urlField_;
    Gtk::Button* testButton_;
    Gtk::ProgressBar* loadProgress_;
    Gtk::Label* introDescription_;
    Gtk::Box* statsContainerStack_;
    Gtk::Overlay* preview_;
    Gtk::Box* opaqueWebViewCover_;
    Gtk::Grid* innerStatsStack_;
    Gtk::Label* adsCountLabel_;
    Gtk::Label* trackersCountLabel_;
    Gtk::Label* widgetCountLabel_;
    Gtk::Label* pageSizeLabel_;
    Gtk::Label* timeValueLabel_;
    Gtk::Label* errorLabel_;
    Gtk::Box* bottomPanelStack_;
    Gtk::Button* installSEButton_;
    Gtk::Widget* webView_ = nullptr;

    bool displayedAsPartOfIntroProcess_ = false;
    std::function<void()> dismissal_;
    std::function<void(const std::string&)> addressObserver_;
    std::unique_ptr<PageInspection> inspection_;
    std::unique_ptr<inspection::InspectionEngine> engine_;
    Fade introFade_;
    Fade statsFade_;
    Fade progressFade_;
    // The progress bar's animation: from where it was to the new estimate.
    double progressFrom_ = 0;
    double progressTo_ = 0;
    Clock::Duration progressBegin_{};
    guint progressTick_ = 0;
};

} // namespace orvane::desktop
