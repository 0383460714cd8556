#include "catalog/ListMerges.h"

#include "platform/Log.h"

#include <algorithm>
#include <unordered_map>

namespace orvane {
namespace {

std::vector<Package>::iterator findById(std::vector<Package>& list, const std::string& id) {
    return std::find_if(list.begin(), list.end(), [&](const Package& p) { return p.id == id; });
}

} // namespace

void mergePackage(std::vector<Package>& configurable, std::vector<Package>& custom, const Package& package) {
    if (findById(configurable, package.id) != configurable.end()) {
        log("There's already a configurable package with ID " + package.id);
        return;
    }
    auto it = findById(custom, package.id);
    if (it != custom.end()) {
        it->name = package.name;
    } else {
        custom.push_back(package);
    }
}

void mergeRule(std::vector<Package>& configurable, std::vector<Package>& custom, const Rule& rule,
               const std::string& packageId) {
    for (std::vector<Package>* list : {&configurable, &custom}) {
        auto it = findById(*list, packageId);
        if (it != list->end()) {
            upsertRule(it->rules, rule);
            return;
        }
    }
    log("Can't find package with identifier " + packageId);
}

void mergeRules(std::vector<Package>& configurable, std::vector<Package>& custom,
                const std::vector<std::pair<Rule, std::string>>& rules) {
    // Per package, where each rule id sits: an upsert is then a lookup instead of a scan.
    std::unordered_map<std::string, std::unordered_map<std::string, std::size_t>> positions;
    for (const auto& [rule, packageId] : rules) {
        Package* package = nullptr;
        for (std::vector<Package>* list : {&configurable, &custom}) {
            auto it = findById(*list, packageId);
            if (it != list->end()) {
                package = &*it;
                break;
            }
        }
        if (package == nullptr) {
            log("Can't find package with identifier " + packageId);
            continue;
        }
        auto [index, made] = positions.try_emplace(packageId);
        if (made) {
            for (std::size_t i = 0; i < package->rules.size(); ++i) {
                index->second.try_emplace(package->rules[i].id, i);
            }
        }
        auto [position, isNew] = index->second.try_emplace(rule.id, package->rules.size());
        if (isNew) {
            package->rules.push_back(rule);
        } else {
            package->rules[position->second] = rule;
        }
    }
}

bool deleteById(std::vector<Package>& configurable, std::vector<Package>& custom, const std::string& id) {
    auto packageIt = findById(custom, id);
    if (packageIt != custom.end()) {
        custom.erase(packageIt);
        return true;
    }
    for (std::vector<Package>* list : {&configurable, &custom}) {
        for (auto& package : *list) {
            auto ruleIt = std::find_if(package.rules.begin(), package.rules.end(),
                                       [&](const Rule& rule) { return rule.id == id; });
            if (ruleIt != package.rules.end()) {
                package.rules.erase(ruleIt);
                return true;
            }
        }
    }
    return false;
}

} // namespace orvane
