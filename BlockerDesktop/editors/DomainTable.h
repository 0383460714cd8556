#pragma once

#include "window/Clock.h"

#include <gtkmm/box.h>
#include <gtkmm/entry.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::desktop {

// The domain table of a rule editor: a text field per domain and, last, an empty one for the
// next. A row's text is the domain as soon as it is typed; a filled row left empty goes when its
// editing ends, the empty last row never does, and the table then grows its next empty row.
class DomainTable {
public:
    // Fills `rows` (an empty vertical box) with the domains and the empty last row.
    DomainTable(Gtk::Box& rows, std::vector<std::string> domains, std::shared_ptr<Clock> clock);
    ~DomainTable();
    DomainTable(const DomainTable&) = delete;
    DomainTable& operator=(const DomainTable&) = delete;

    // One element per filled row, in order, as typed (a row emptied while it is edited keeps its
    // place until the editing ends).
    const std::vector<std::string>& domains() const { return domains_; }
    std::size_t rowCount() const { return rows_.size(); }
    Gtk::Entry& row(std::size_t index) { return *rows_.at(index); }
    // The empty last row takes the keyboard focus.
    void startEditing();

    // Enter in the empty last row: the editor's Save.
    std::function<void()> onActivateEmptyLastRow;

private:
    Gtk::Entry& appendRow(const std::string& text);
    std::optional<std::size_t> rowIndex(const Gtk::Entry& entry) const;
    void textChanged(Gtk::Entry& entry);
    void editingEnded(Gtk::Entry& entry);
    void activated(Gtk::Entry& entry);
    // Gives the table its empty last row again, after rows were filled or removed.
    void reload();
    // `work(table, args...)` for a handler that may be called after the table has gone.
    template <typename Work> auto whileAlive(Work work);

    Gtk::Box& container_;
    std::vector<std::string> domains_;
    std::vector<Gtk::Entry*> rows_;
    std::shared_ptr<Clock> clock_;
    // What a timer may still find: nothing once the table has gone.
    std::shared_ptr<DomainTable*> self_ = std::make_shared<DomainTable*>(this);
};

} // namespace orvane::desktop
