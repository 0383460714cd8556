#include "panes/ReportVC.h"

#include "panes/PaneWindows.h"

#include <utility>

namespace orvane::desktop {
namespace {

constexpr std::pair<core::ReportType, const char*> kTypeButtons[] = {
    {core::ReportType::brokenSite, "type_broken_site"},
    {core::ReportType::somethingNotBlocked, "type_something_not_blocked"},
    {core::ReportType::emptySpace, "type_empty_space"},
    {core::ReportType::otherProblem, "type_other_problem"},
};

constexpr const char* kPreviewKeys[] = {"type", "url", "comment", "device", "appVersion", "osVersion"};

void showValue(Gtk::Label& label, const std::string& value, bool missing) {
    label.set_text(value);
    if (missing) {
        label.add_css_class("preview-missing");
    } else {
        label.remove_css_class("preview-missing");
    }
}

} // namespace

ReportVC::ReportVC()
    : builder_(Gtk::Builder::create_from_resource("/com/larkmoor/Orvane/panes/ReportVC.ui")),
      window_(builder_->get_widget<Gtk::Window>("report_window")),
      fields_(builder_->get_widget<Gtk::Box>("fields")),
      address_(builder_->get_widget<Gtk::Entry>("address")),
      comment_(builder_->get_widget<Gtk::TextView>("comment")),
      sendButton_(builder_->get_widget<Gtk::Button>("send_button")),
      spinner_(builder_->get_widget<Gtk::Spinner>("sending_spinner")),
      status_(builder_->get_widget<Gtk::Label>("status_label")),
      machine_(core::reportingMachine()) {
    closeOnEscape(*window_);
    for (const char* key : kPreviewKeys) {
        preview_[key] = builder_->get_widget<Gtk::Label>(std::string("preview_") + key);
    }
    for (const auto& [type, id] : kTypeButtons) {
        typeButtons_[type] = builder_->get_widget<Gtk::CheckButton>(id);
    }
    typeButtons_.at(core::ReportType::brokenSite)->set_active(true);
    for (const auto& [type, button] : typeButtons_) {
        button->signal_toggled().connect([this] { update(); });
    }
    address_->signal_changed().connect([this] { update(); });
    // Enter in the address field sends, as the button would.
    address_->signal_activate().connect([this] {
        if (sendButton_->get_sensitive()) {
            send();
        }
    });
    comment_->get_buffer()->signal_changed().connect([this] { update(); });
    sendButton_->signal_clicked().connect([this] { send(); });
    update();
}

ReportVC::~ReportVC() = default;

void ReportVC::present(Gtk::Window* parent, const std::optional<std::string>& inspectedAddress) {
    const std::string typed = address_->get_text();
    if (inspectedAddress && !sending_ && (typed.empty() || typed == filledAddress_)) {
        filledAddress_ = *inspectedAddress;
        address_->set_text(*inspectedAddress);
    }
    if (parent != nullptr) {
        window_->set_transient_for(*parent);
    }
    window_->present();
    if (address_->get_text().empty()) {
        address_->grab_focus();
    }
}

core::ReportType ReportVC::selectedType() const {
    for (const auto& [type, button] : typeButtons_) {
        if (button->get_active()) {
            return type;
        }
    }
    return core::ReportType::brokenSite;
}

core::ServiceResult<core::Report> ReportVC::draft() const {
    return core::prepareReport(selectedType(), address_->get_text(), comment_->get_buffer()->get_text(), machine_);
}

void ReportVC::update() {
    const auto report = draft();
    showValue(preview("type"), std::string(core::rawValue(selectedType())), false);
    if (report) {
        showValue(preview("url"), report->url, false);
        showValue(preview("comment"), report->comment.value_or("none: no comment is sent"), !report->comment);
        address_->remove_css_class("error");
    } else {
        const bool addressMissing = report.error().code == core::ServiceErrorCode::InvalidAddress;
        showValue(preview("url"), addressMissing ? "the page's address is needed" : "", addressMissing);
        showValue(preview("comment"), addressMissing ? "" : report.error().message, !addressMissing);
        if (addressMissing && !address_->get_text().empty()) {
            address_->add_css_class("error");
        } else {
            address_->remove_css_class("error");
        }
    }
    showValue(preview("device"), machine_.device, false);
    showValue(preview("appVersion"), machine_.appVersion, false);
    showValue(preview("osVersion"), machine_.osVersion, false);
    sendButton_->set_sensitive(!sending_ && report && (!sent_ || !(*sent_ == *report)));
}

void ReportVC::send() {
    auto report = draft();
    if (sending_ || !report) {
        return;
    }
    sending_ = true;
    fields_->set_sensitive(false);
    spinner_->set_visible(true);
    spinner_->start();
    showStatus("Sending…", Outcome::pending);
    update();
    std::weak_ptr<ReportVC*> self = self_;
    core::postReport(*report, [self, sent = *report](bool saved, const std::optional<CloudError>& error) {
        if (auto alive = self.lock()) {
            if (saved) {
                (*alive)->sent_ = sent;
            }
            (*alive)->finished(saved, error);
        }
    });
}

void ReportVC::finished(bool saved, const std::optional<CloudError>& error) {
    sending_ = false;
    fields_->set_sensitive(true);
    spinner_->stop();
    spinner_->set_visible(false);
    if (saved) {
        showStatus("Report sent. Thank you for helping to improve the rules.", Outcome::sent);
    } else {
        showStatus("The report wasn't sent: " + (error ? error->localizedDescription : std::string("unknown error")) +
                       ". Everything you entered is still here: send it again once the cloud can be reached.",
                   Outcome::failed);
    }
    update();
}

void ReportVC::showStatus(const std::string& text, Outcome outcome) {
    status_->set_text(text);
    status_->set_visible(true);
    status_->remove_css_class("success");
    status_->remove_css_class("error");
    if (outcome == Outcome::sent) {
        status_->add_css_class("success");
    } else if (outcome == Outcome::failed) {
        status_->add_css_class("error");
    }
}

} // namespace orvane::desktop
