#include "catalog/ListMerges.h"

#include "platform/Log.h"

#include <algorithm>

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
