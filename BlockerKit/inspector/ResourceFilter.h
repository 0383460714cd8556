#pragma once

#include "inspector/PatternSet.h"
#include "model/Records.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Judges the resources a page loaded by the URL patterns of the preinstalled blocking rules:
// which of them would have been blocked as a social widget, a tracker or an ad, with totals per
// category. Immutable once built, so classifications may run on any thread at once.
class ResourceFilter {
public:
    enum class Result { Ad, Tracker, Widget, None };

    struct Resource {
        std::string url;
        std::uint64_t bytes = 0;
    };

    struct Tally {
        std::uint64_t count = 0;
        std::uint64_t bytes = 0;

        bool operator==(const Tally&) const = default;
    };
    // Always holds Ad, Tracker and Widget; None only once a resource fell into it.
    using Tallies = std::map<Result, Tally>;

    // Ads come from "block-ads", trackers from "block-trackers", widgets from
    // "block-twitter-widgets", "block-facebook-widgets" and "block-other-sharing-widgets" of the
    // preinstalled packages it is given.
    explicit ResourceFilter(const std::vector<Package>& preinstalled);
    ResourceFilter(const std::vector<Package>& preinstalled, PatternSet::Tuning tuning);

    // A URL that several categories claim goes to the first of widget, tracker, ad.
    Result classify(std::string_view url) const;
    Tallies classify(std::span<const Resource> resources) const;

private:
    PatternSet adBlockers;
    PatternSet trackerBlockers;
    PatternSet widgetBlockers;
};

} // namespace orvane
