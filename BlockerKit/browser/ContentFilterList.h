#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvane::browser {

// How Orvane's list enters and leaves GNOME Web's "content-filters" without losing the user's
// other lists. Plain list arithmetic; GnomeWeb.h reads and writes the settings around it.

using IsOurList = std::function<bool(const std::string& uri)>;

struct ContentFiltersWithOurs {
    std::vector<std::string> filters;
    // The user's lists taken out while Orvane's is in, to be given back on disconnecting.
    std::vector<std::string> setAside;
};

// `current` with `ourList` in place of any earlier list of ours. A GNOME Web that applies
// every list keeps the user's lists in their order (and gets back any set aside before it was
// updated); an older one gets ours alone, every other list being set aside. No URI appears
// twice: GNOME Web 43 can corrupt its memory on a repeated one.
ContentFiltersWithOurs withOurList(const std::vector<std::string>& current, const std::vector<std::string>& setAside,
                                   const std::string& ourList, bool appliesEveryList, const IsOurList& isOurs);

// The user's lists given back: those set aside, in their order, then any the user added while
// connected; no list of ours.
std::vector<std::string> withoutOurList(const std::vector<std::string>& current,
                                        const std::vector<std::string>& setAside, const IsOurList& isOurs);

} // namespace orvane::browser
