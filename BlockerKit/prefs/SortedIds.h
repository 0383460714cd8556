#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvane {

// The disabled-rule arrays are kept sorted ascending; these are their search and insertion.

struct SortedSearch {
    bool found = false;
    // The position found, or the last middle looked at when not found (0 for an empty array).
    std::size_t middle = 0;
};

SortedSearch searchSorted(const std::vector<std::string>& ids, const std::string& id);
// Inserts `id` at its sorted place unless present; answers whether it was inserted.
bool insertSorted(std::vector<std::string>& ids, const std::string& id);
// Removes `id` when present; answers whether it was removed.
bool removeSorted(std::vector<std::string>& ids, const std::string& id);

} // namespace orvane
