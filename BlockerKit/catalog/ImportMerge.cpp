#include "catalog/ImportMerge.h"

#include "platform/Uuid.h"

#include <algorithm>
#include <array>
#include <optional>
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

// One editable list as the import found it: packages appended later are not searched, and the
// rule counts at the start decide what counts as imported already.
struct Section {
    std::vector<Package>* packages;
    std::size_t count;
    std::vector<std::size_t> rulesAtStart;

    explicit Section(std::vector<Package>& list) : packages(&list), count(list.size()) {
        for (const auto& package : list) {
            rulesAtStart.push_back(package.rules.size());
        }
    }
};

struct Existing {
    Package* package;
    std::size_t rulesAtStart;
};

// The first package with the id among those the import found, configurable ones first.
std::optional<Existing> findExisting(const std::array<Section, 2>& sections, const std::string& id) {
    for (const auto& section : sections) {
        for (std::size_t i = 0; i < section.count; ++i) {
            if ((*section.packages)[i].id == id) {
                return Existing{&(*section.packages)[i], section.rulesAtStart[i]};
            }
        }
    }
    return std::nullopt;
}

bool sameContent(const Rule& a, const Rule& b) { return a.name == b.name && a.blocker == b.blocker; }

// Appends the rules of `imported` that `target` lacks; answers them with the ids they got.
std::vector<Rule> mergeRules(Package& target, const Package& imported, TakenIds& ruleIds) {
    std::vector<Rule> added;
    for (Rule rule : imported.rules) {
        if (std::find(target.rules.begin(), target.rules.end(), rule) != target.rules.end()) {
            continue;
        }
        if (ruleIds.contains(rule.id) &&
            std::any_of(target.rules.begin(), target.rules.end(),
                        [&](const Rule& held) { return sameContent(held, rule); })) {
            continue;
        }
        rule.id = ruleIds.claim(rule.id);
        target.rules.push_back(rule);
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
    const std::array sections{Section(configurable), Section(custom)};

    ImportOutcome outcome;
    for (const auto& package : imported) {
        // A package the existing one matches in rule count was imported before, whatever its rules.
        if (auto existing = findExisting(sections, package.id)) {
            if (existing->rulesAtStart != package.rules.size()) {
                outcome.mergedRules.push_back({existing->package->id, mergeRules(*existing->package, package, ruleIds)});
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
