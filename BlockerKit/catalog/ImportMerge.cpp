#include "catalog/ImportMerge.h"

#include "catalog/RuleKey.h"
#include "platform/Uuid.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace orvane {
namespace {

class TakenIds {
public:
    bool contains(const std::string& id) const { return ids_.contains(id); }
    void take(const std::string& id) { ids_.insert(id); }
    // The id itself when it is still free, else a fresh one; either way it is taken afterwards.
    std::string claim(const std::string& id) {
        std::string claimed = id;
        while (ids_.contains(claimed)) {
            claimed = makeUUID();
        }
        ids_.insert(claimed);
        return claimed;
    }

private:
    std::unordered_set<std::string> ids_;
};

// What an existing package holds, by every field and by content (name and blocker).
struct HeldRules {
    std::unordered_set<std::string> rules;
    std::unordered_set<std::string> contents;

    explicit HeldRules(const Package& package) {
        for (const auto& rule : package.rules) {
            add(rule, ruleContentKey(rule));
        }
    }
    void add(const Rule& rule, const std::string& contentKey) {
        rules.insert(ruleKey(rule, contentKey));
        contents.insert(contentKey);
    }
};

// A package the import found in the catalog: packages appended by the import are not searched,
// and the rule count at the start decides whether it counts as imported already.
struct Existing {
    std::vector<Package>* list;
    std::size_t index;
    std::size_t rulesAtStart;
    std::optional<HeldRules> held; // made when the import first adds to the package

    Package& package() const { return (*list)[index]; }
};

// The first package of each id, configurable ones first.
std::unordered_map<std::string, Existing> existingById(std::vector<Package>& configurable,
                                                       std::vector<Package>& custom) {
    std::unordered_map<std::string, Existing> found;
    for (auto* list : {&configurable, &custom}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            found.try_emplace((*list)[i].id, Existing{list, i, (*list)[i].rules.size(), std::nullopt});
        }
    }
    return found;
}

// Appends the rules of `imported` that the package lacks; answers them with the ids they got.
std::vector<Rule> mergeRules(Existing& existing, const Package& imported, TakenIds& ruleIds) {
    Package& package = existing.package();
    if (!existing.held) {
        existing.held.emplace(package);
    }
    HeldRules& held = *existing.held;
    std::vector<Rule> added;
    for (Rule rule : imported.rules) {
        const std::string content = ruleContentKey(rule);
        if (held.rules.contains(ruleKey(rule, content))) {
            continue;
        }
        // Under a taken id the same rule may be here already, added by an earlier import.
        if (ruleIds.contains(rule.id) && held.contents.contains(content)) {
            continue;
        }
        rule.id = ruleIds.claim(rule.id);
        held.add(rule, content);
        package.rules.push_back(rule);
        added.push_back(std::move(rule));
    }
    return added;
}

} // namespace

bool ImportOutcome::addedAnything() const {
    return !newPackages.empty() || std::any_of(mergedRules.begin(), mergedRules.end(),
                                               [](const MergedRules& merged) { return !merged.rules.empty(); });
}

ImportOutcome mergeImport(std::vector<Package>& configurable, std::vector<Package>& custom,
                          const std::vector<Package>& preinstalled, const std::vector<Package>& imported) {
    TakenIds packageIds;
    TakenIds ruleIds;
    for (const auto* list : {&preinstalled, &std::as_const(configurable), &std::as_const(custom)}) {
        for (const auto& package : *list) {
            packageIds.take(package.id);
            for (const auto& rule : package.rules) {
                ruleIds.take(rule.id);
            }
        }
    }
    auto existing = existingById(configurable, custom);

    ImportOutcome outcome;
    for (const auto& package : imported) {
        // A package the existing one matches in rule count was imported before, whatever its rules.
        if (auto found = existing.find(package.id); found != existing.end()) {
            if (found->second.rulesAtStart != package.rules.size()) {
                outcome.mergedRules.push_back({package.id, mergeRules(found->second, package, ruleIds)});
            }
            continue;
        }
        Package added = package;
        added.id = packageIds.claim(added.id);
        for (auto& rule : added.rules) {
            rule.id = ruleIds.claim(rule.id);
        }
        custom.push_back(added);
        outcome.newPackages.push_back(std::move(added));
    }
    return outcome;
}

} // namespace orvane
