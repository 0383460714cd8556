#pragma once

#include "app/CoreBridge.h"

#include <giomm/listmodel.h>
#include <glibmm/object.h>
#include <gtkmm/filter.h>

#include <optional>
#include <string>
#include <vector>

namespace orvane::desktop {

// One rule of the rule list. It reads the rule where the catalog holds it (its snapshot is kept
// alive by the item) and works out its description, folded name and height only when asked.
class RuleItem : public Glib::Object {
public:
    static Glib::RefPtr<RuleItem> create(PackageListSnapshot keepAlive, const Rule& rule, bool enabled);

    const Rule& rule() const { return *rule_; }
    bool enabled() const { return enabled_; }
    const std::string& description();
    const std::string& foldedName();

    // The description's height at a width, as last measured (RuleText).
    std::optional<int> cachedHeight(int width) const;
    // The height last measured, at whichever width; 0 before any.
    int lastHeight() const { return measuredHeight_; }
    void cacheHeight(int width, int height);

    // Told when the switch state changes under a bound row.
    sigc::signal<void()>& signalChanged() { return changed_; }

private:
    friend class RuleListModel;
    RuleItem(PackageListSnapshot keepAlive, const Rule& rule, bool enabled);
    void setEnabled(bool enabled);
    // The same rule in a newer snapshot (equal in every field).
    void rebase(PackageListSnapshot keepAlive, const Rule& rule);

    PackageListSnapshot keepAlive_;
    const Rule* rule_;
    bool enabled_;
    std::optional<std::string> description_;
    std::optional<std::string> foldedName_;
    int measuredWidth_ = -1;
    int measuredHeight_ = 0;
    sigc::signal<void()> changed_;
};

// Every rule of one package, in package order, over the catalog's snapshot. Items are made when
// the list or its filter first reads them; a refresh from a newer snapshot announces only the
// rules that changed, as one items-changed over the smallest range that holds them.
// The interface comes before Glib::Object, so that it is added when the class is made.
class RuleListModel : public Gio::ListModel, public Glib::Object {
public:
    static Glib::RefPtr<RuleListModel> create(RuleListSnapshot snapshot);

    const RuleListSnapshot& snapshot() const { return snapshot_; }
    guint size() const { return guint(items_.size()); }
    Glib::RefPtr<RuleItem> item(guint position);
    // The position of a rule, if the package holds it.
    std::optional<guint> positionOf(const std::string& ruleId) const;

    // Takes a newer snapshot of the same package. Answers whether any rule changed.
    bool refresh(RuleListSnapshot snapshot);
    // A switch flipped here: the item follows at once, nothing else changes.
    void setEnabled(RuleItem& item, bool enabled);

protected:
    explicit RuleListModel(RuleListSnapshot snapshot);
    GType get_item_type_vfunc() override;
    guint get_n_items_vfunc() override;
    gpointer get_item_vfunc(guint position) override;

private:
    RuleListSnapshot snapshot_;
    std::vector<Glib::RefPtr<RuleItem>> items_;
};

// The three-way enabled filter and the search, as one filter of a Gtk::FilterListModel.
class RuleFilter : public Gtk::Filter {
public:
    static Glib::RefPtr<RuleFilter> create();

    EnabledFilter enabledFilter() const { return enabled_; }
    const RuleSearch& search() const { return search_; }
    // Each tells the filter model how the set of matching rules changed, so a longer search
    // text only looks at the rules that matched before.
    void setEnabledFilter(EnabledFilter filter);
    void setSearch(const std::string& text);
    // Switch states changed outside the list: rules are matched anew.
    void statesChanged();

protected:
    RuleFilter();
    bool match_vfunc(const Glib::RefPtr<Glib::ObjectBase>& item) override;
    Match get_strictness_vfunc() override;

private:
    EnabledFilter enabled_ = EnabledFilter::ShowAll;
    RuleSearch search_{""};
};

} // namespace orvane::desktop
