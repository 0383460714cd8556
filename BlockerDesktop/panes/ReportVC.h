#pragma once

#include "app/CoreBridge.h"

#include <gtkmm/box.h>
#include <gtkmm/builder.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/spinner.h>
#include <gtkmm/textview.h>
#include <gtkmm/window.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace orvane::desktop {

// The report form (ReportVC.ui): the kind of problem, the page's address, an optional comment,
// and every value the report will carry, shown as it will be sent. Sending shows its outcome in
// the form; nothing the user entered is cleared, so a failed send can simply be sent again.
class ReportVC {
public:
    ReportVC();
    ~ReportVC();
    ReportVC(const ReportVC&) = delete;
    ReportVC& operator=(const ReportVC&) = delete;

    // Brings the form up. An address the inspector looked at last fills the address field unless
    // the user has typed one of their own.
    void present(Gtk::Window* parent, const std::optional<std::string>& inspectedAddress);

    Gtk::Window& window() { return *window_; }
    Gtk::CheckButton& typeButton(core::ReportType type) { return *typeButtons_.at(type); }
    Gtk::Entry& address() { return *address_; }
    Gtk::TextView& comment() { return *comment_; }
    Gtk::Button& sendButton() { return *sendButton_; }
    // The value the report will carry under a key ("type", "url", "comment", …), as shown.
    Gtk::Label& preview(const std::string& key) { return *preview_.at(key); }
    Gtk::Label& status() { return *status_; }
    bool isSending() const { return sending_; }

private:
    core::ReportType selectedType() const;
    core::ServiceResult<core::Report> draft() const;
    // Shows what will be sent and whether it can be.
    void update();
    void send();
    void finished(bool saved, const std::optional<CloudError>& error);
    enum class Outcome { pending, sent, failed };
    void showStatus(const std::string& text, Outcome outcome);

    Glib::RefPtr<Gtk::Builder> builder_;
    std::unique_ptr<Gtk::Window> window_;
    std::map<core::ReportType, Gtk::CheckButton*> typeButtons_;
    Gtk::Box* fields_;
    Gtk::Entry* address_;
    Gtk::TextView* comment_;
    Gtk::Button* sendButton_;
    Gtk::Spinner* spinner_;
    std::map<std::string, Gtk::Label*> preview_;
    Gtk::Label* status_;

    const core::ReportingMachine machine_;
    // The last address filled in for the user, which the next one may replace.
    std::string filledAddress_;
    bool sending_ = false;
    // What was sent last, so the same report is not sent twice by accident.
    std::optional<core::Report> sent_;
    std::shared_ptr<ReportVC*> self_ = std::make_shared<ReportVC*>(this);
};

} // namespace orvane::desktop
