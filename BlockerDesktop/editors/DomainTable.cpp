#include "editors/DomainTable.h"

#include "platform/Log.h"
#include "window/LaterOnMain.h"

#include <gtk/gtk.h>
#include <gtkmm/eventcontrollerfocus.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/root.h>

#include <chrono>

namespace orvane::desktop {
namespace {

// How long after a row's editing ends the table takes the focus back, so that the next domain
// can be typed at once, unless the user went to another text field meanwhile.
constexpr auto kRefocusDelay = std::chrono::milliseconds(100);

bool focusIsTextField(Gtk::Widget& anyWidget) {
    auto* root = anyWidget.get_root();
    if (root == nullptr) {
        return false;
    }
    GtkWidget* focus = gtk_root_get_focus(root->gobj());
    return focus != nullptr && GTK_IS_EDITABLE(focus);
}

} // namespace

template <typename Work> auto DomainTable::whileAlive(Work work) {
    // The rows belong to the editor's screen and may outlive the table by a moment (the focus
    // leaves a row as the page goes): their handlers then do nothing.
    return [self = std::weak_ptr<DomainTable*>(self_), work](auto&&... args) {
        if (auto table = self.lock()) {
            work(**table, args...);
        }
    };
}

DomainTable::DomainTable(Gtk::Box& rows, std::vector<std::string> domains, std::shared_ptr<Clock> clock)
    : container_(rows), domains_(std::move(domains)), clock_(std::move(clock)) {
    for (const auto& domain : domains_) {
        appendRow(domain);
    }
    appendRow("");
    // A click beside the rows starts a new entry.
    auto click = Gtk::GestureClick::create();
    click->signal_released().connect(whileAlive([](DomainTable& table, int, double x, double y) {
        Gtk::Widget* hit = table.container_.pick(x, y);
        if (hit == nullptr || hit == &table.container_) {
            table.startEditing();
        }
    }));
    container_.add_controller(click);
}

DomainTable::~DomainTable() = default;

Gtk::Entry& DomainTable::appendRow(const std::string& text) {
    auto* entry = Gtk::make_managed<Gtk::Entry>();
    entry->set_text(text);
    entry->set_placeholder_text("example.com");
    entry->add_css_class("domain-cell");
    gtk_accessible_update_property(GTK_ACCESSIBLE(entry->gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, "Domain", -1);
    entry->signal_changed().connect(whileAlive([entry](DomainTable& table) { table.textChanged(*entry); }));
    entry->signal_activate().connect(whileAlive([entry](DomainTable& table) { table.activated(*entry); }));
    auto focus = Gtk::EventControllerFocus::create();
    focus->signal_leave().connect(whileAlive([entry](DomainTable& table) { table.editingEnded(*entry); }));
    entry->add_controller(focus);
    container_.append(*entry);
    rows_.push_back(entry);
    return *entry;
}

std::optional<std::size_t> DomainTable::rowIndex(const Gtk::Entry& entry) const {
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        if (rows_[index] == &entry) {
            return index;
        }
    }
    return std::nullopt;
}

void DomainTable::textChanged(Gtk::Entry& entry) {
    auto index = rowIndex(entry);
    if (!index) {
        log("Can't access superview container (cell) of control " + std::string(G_OBJECT_TYPE_NAME(entry.gobj())));
        return;
    }
    if (*index < domains_.size()) {
        domains_[*index] = entry.get_text();
    } else if (*index == domains_.size() && !entry.get_text().empty()) {
        domains_.push_back(entry.get_text());
    }
}

void DomainTable::editingEnded(Gtk::Entry& entry) {
    auto index = rowIndex(entry);
    if (!index) {
        return;
    }
    const bool leftEmptyLastRow = *index == domains_.size();
    if (*index < domains_.size() && entry.get_text().empty()) {
        domains_.erase(domains_.begin() + std::ptrdiff_t(*index));
        rows_.erase(rows_.begin() + std::ptrdiff_t(*index));
        // GTK is still moving the focus off this row: it goes once that is done.
        entry.set_visible(false);
        laterOnMain<DomainTable>(self_, [row = &entry](DomainTable& table) { table.container_.remove(*row); });
    }
    reload();
    if (leftEmptyLastRow) {
        // Nothing was entered: the focus goes where the user sent it (Tab must be able to leave
        // the table).
        return;
    }
    clock_->runAfter(kRefocusDelay, whileAlive([](DomainTable& table) {
        if (!focusIsTextField(table.container_)) {
            table.startEditing();
        }
    }));
}

void DomainTable::activated(Gtk::Entry& entry) {
    auto index = rowIndex(entry);
    if (!index) {
        return;
    }
    if (*index == domains_.size() && entry.get_text().empty()) {
        if (onActivateEmptyLastRow) {
            onActivateEmptyLastRow();
        }
        return;
    }
    reload();
    // Enter in a filled row goes on to the next one, the empty last row at the end; the row
    // just left ends its editing on the way.
    rows_.at(std::min(*index + 1, rows_.size() - 1))->grab_focus();
}

void DomainTable::reload() {
    while (rows_.size() < domains_.size() + 1) {
        appendRow(rows_.size() < domains_.size() ? domains_[rows_.size()] : std::string());
    }
}

void DomainTable::startEditing() {
    if (!rows_.empty() && container_.get_mapped()) {
        rows_.back()->grab_focus();
    }
}

} // namespace orvane::desktop
