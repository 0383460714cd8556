#include "browser/ContentFilterList.h"

#include <algorithm>

namespace orvane::browser {
namespace {

void addOnce(std::vector<std::string>& list, const std::string& uri) {
    if (std::find(list.begin(), list.end(), uri) == list.end()) {
        list.push_back(uri);
    }
}

} // namespace

ContentFiltersWithOurs withOurList(const std::vector<std::string>& current, const std::vector<std::string>& setAside,
                                   const std::string& ourList, bool appliesEveryList, const IsOurList& isOurs) {
    ContentFiltersWithOurs result;
    if (!appliesEveryList) {
        result.setAside = withoutOurList(current, setAside, isOurs);
        result.filters = {ourList};
        return result;
    }
    for (const auto& uri : setAside) {
        if (!isOurs(uri)) {
            addOnce(result.filters, uri);
        }
    }
    bool placed = false;
    for (const auto& uri : current) {
        if (!isOurs(uri)) {
            addOnce(result.filters, uri);
        } else if (!placed) {
            addOnce(result.filters, ourList);
            placed = true;
        }
    }
    if (!placed) {
        addOnce(result.filters, ourList);
    }
    return result;
}

std::vector<std::string> withoutOurList(const std::vector<std::string>& current,
                                        const std::vector<std::string>& setAside, const IsOurList& isOurs) {
    std::vector<std::string> result;
    for (const auto* list : {&setAside, &current}) {
        for (const auto& uri : *list) {
            if (!isOurs(uri)) {
                addOnce(result, uri);
            }
        }
    }
    return result;
}

} // namespace orvane::browser
