#include "rules/RuleListModel.h"

#include <algorithm>

namespace orvane::desktop {

RuleItem::RuleItem(PackageListSnapshot keepAlive, const Rule& rule, bool enabled)
    : Glib::ObjectBase(typeid(RuleItem)), keepAlive_(std::move(keepAlive)), rule_(&rule), enabled_(enabled) {}

Glib::RefPtr<RuleItem> RuleItem::create(PackageListSnapshot keepAlive, const Rule& rule, bool enabled) {
    return Glib::make_refptr_for_instance<RuleItem>(new RuleItem(std::move(keepAlive), rule, enabled));
}

const std::string& RuleItem::description() {
    if (!description_) {
        description_ = core::descriptionText(*rule_);
    }
    return *description_;
}

const std::string& RuleItem::foldedName() {
    if (!foldedName_) {
        foldedName_ = core::RuleSearch::foldedName(rule_->name);
    }
    return *foldedName_;
}

std::optional<int> RuleItem::cachedHeight(int width) const {
    return width == measuredWidth_ ? std::optional(measuredHeight_) : std::nullopt;
}

void RuleItem::cacheHeight(int width, int height) {
    measuredWidth_ = width;
    measuredHeight_ = height;
}

void RuleItem::setEnabled(bool enabled) {
    if (enabled_ != enabled) {
        enabled_ = enabled;
        changed_.emit();
    }
}

void RuleItem::rebase(PackageListSnapshot keepAlive, const Rule& rule) {
    keepAlive_ = std::move(keepAlive);
    rule_ = &rule;
}

RuleListModel::RuleListModel(RuleListSnapshot snapshot)
    : Glib::ObjectBase(typeid(RuleListModel)), Gio::ListModel(), Glib::Object(), snapshot_(std::move(snapshot)), items_(snapshot_.rules().size()) {}

Glib::RefPtr<RuleListModel> RuleListModel::create(RuleListSnapshot snapshot) {
    return Glib::make_refptr_for_instance<RuleListModel>(new RuleListModel(std::move(snapshot)));
}

GType RuleListModel::get_item_type_vfunc() { return G_TYPE_OBJECT; }

guint RuleListModel::get_n_items_vfunc() { return size(); }

gpointer RuleListModel::get_item_vfunc(guint position) {
    if (position >= items_.size()) {
        return nullptr;
    }
    return g_object_ref(item(position)->gobj());
}

Glib::RefPtr<RuleItem> RuleListModel::item(guint position) {
    auto& slot = items_.at(position);
    if (!slot) {
        const Rule& rule = snapshot_.rules()[position];
        slot = RuleItem::create(snapshot_.package.list, rule, snapshot_.isRuleEnabled(rule.id));
    }
    return slot;
}

std::optional<guint> RuleListModel::positionOf(const std::string& ruleId) const {
    const auto& rules = snapshot_.rules();
    auto it = std::find_if(rules.begin(), rules.end(), [&](const Rule& rule) { return rule.id == ruleId; });
    return it == rules.end() ? std::nullopt : std::optional(guint(it - rules.begin()));
}

bool RuleListModel::refresh(RuleListSnapshot snapshot) {
    const auto& before = snapshot_.rules();
    const auto& after = snapshot.rules();
    std::size_t prefix = 0;
    if (!snapshot.package.sameAs(snapshot_.package)) {
        const std::size_t shorter = std::min(before.size(), after.size());
        while (prefix < shorter && before[prefix] == after[prefix]) {
            ++prefix;
        }
        std::size_t suffix = 0;
        while (suffix < shorter - prefix &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
            ++suffix;
        }
        const std::size_t removed = before.size() - prefix - suffix;
        const std::size_t added = after.size() - prefix - suffix;
        std::vector<Glib::RefPtr<RuleItem>> items(after.size());
        for (std::size_t i = 0; i < prefix; ++i) {
            items[i] = std::move(items_[i]);
        }
        for (std::size_t i = 0; i < suffix; ++i) {
            items[after.size() - 1 - i] = std::move(items_[before.size() - 1 - i]);
        }
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (items[i]) {
                items[i]->rebase(snapshot.package.list, after[i]);
            }
        }
        snapshot_ = std::move(snapshot);
        items_ = std::move(items);
        for (auto& item : items_) {
            if (item) {
                item->setEnabled(snapshot_.isRuleEnabled(item->rule().id));
            }
        }
        if (removed != 0 || added != 0) {
            items_changed(guint(prefix), guint(removed), guint(added));
            return true;
        }
        return false;
    }
    snapshot_.disabledRuleIds = std::move(snapshot.disabledRuleIds);
    for (auto& item : items_) {
        if (item) {
            item->setEnabled(snapshot_.isRuleEnabled(item->rule().id));
        }
    }
    return false;
}

void RuleListModel::setEnabled(RuleItem& target, bool enabled) {
    auto& ids = snapshot_.disabledRuleIds;
    const std::string& id = target.rule().id;
    auto at = std::lower_bound(ids.begin(), ids.end(), id);
    const bool listed = at != ids.end() && *at == id;
    if (enabled && listed) {
        ids.erase(at);
    } else if (!enabled && !listed) {
        ids.insert(at, id);
    }
    target.setEnabled(enabled);
}

RuleFilter::RuleFilter() : Glib::ObjectBase(typeid(RuleFilter)) {}

Glib::RefPtr<RuleFilter> RuleFilter::create() { return Glib::make_refptr_for_instance<RuleFilter>(new RuleFilter()); }

void RuleFilter::setEnabledFilter(EnabledFilter filter) {
    if (filter == enabled_) {
        return;
    }
    const EnabledFilter before = enabled_;
    enabled_ = filter;
    changed(before == EnabledFilter::ShowAll   ? Change::MORE_STRICT
            : filter == EnabledFilter::ShowAll ? Change::LESS_STRICT
                                               : Change::DIFFERENT);
}

void RuleFilter::setSearch(const std::string& text) {
    core::RuleSearch search(text);
    if (search.text() == search_.text()) {
        return;
    }
    const Change change = search.narrows(search_)   ? Change::MORE_STRICT
                          : search_.narrows(search) ? Change::LESS_STRICT
                                                    : Change::DIFFERENT;
    search_ = std::move(search);
    changed(change);
}

void RuleFilter::statesChanged() {
    if (enabled_ != EnabledFilter::ShowAll) {
        changed(Change::DIFFERENT);
    }
}

bool RuleFilter::match_vfunc(const Glib::RefPtr<Glib::ObjectBase>& object) {
    auto* item = dynamic_cast<RuleItem*>(object.get());
    if (item == nullptr) {
        return false;
    }
    if (enabled_ != EnabledFilter::ShowAll && item->enabled() != (enabled_ == EnabledFilter::EnabledOnly)) {
        return false;
    }
    return search_.empty() || search_.matches(item->rule(), item->foldedName());
}

Gtk::Filter::Match RuleFilter::get_strictness_vfunc() {
    return enabled_ == EnabledFilter::ShowAll && search_.empty() ? Match::ALL : Match::SOME;
}

} // namespace orvane::desktop
