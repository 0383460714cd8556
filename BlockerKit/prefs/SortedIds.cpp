#include "prefs/SortedIds.h"

#include <algorithm>

namespace orvane {

SortedSearch searchSorted(const std::vector<std::string>& ids, const std::string& id) {
    SortedSearch result;
    if (ids.empty()) {
        return result;
    }
    // Signed bounds: high drops below zero when the id sorts before every element.
    long low = 0;
    long high = static_cast<long>(ids.size()) - 1;
    while (low <= high) {
        const long middle = (low + high) / 2;
        result.middle = static_cast<std::size_t>(middle);
        const int order = ids[result.middle].compare(id);
        if (order == 0) {
            result.found = true;
            return result;
        }
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return result;
}

bool insertSorted(std::vector<std::string>& ids, const std::string& id) {
    const SortedSearch search = searchSorted(ids, id);
    if (search.found) {
        return false;
    }
    std::size_t position = 0;
    if (!ids.empty()) {
        position = search.middle + (ids[search.middle] < id ? 1 : 0);
    }
    ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(std::min(position, ids.size())), id);
    return true;
}

bool removeSorted(std::vector<std::string>& ids, const std::string& id) {
    const SortedSearch search = searchSorted(ids, id);
    if (!search.found) {
        return false;
    }
    ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(search.middle));
    return true;
}

} // namespace orvane
