#include "inspector/ResourceFilter.h"

#include "inspector/BlockingPatterns.h"

namespace orvane {

ResourceFilter::ResourceFilter(const std::vector<Package>& preinstalled)
    : ResourceFilter(preinstalled, PatternSet::Tuning{}) {}

ResourceFilter::ResourceFilter(const std::vector<Package>& preinstalled, PatternSet::Tuning tuning)
    : adBlockers(blockingPatterns(preinstalled, {"block-ads"}), tuning),
      trackerBlockers(blockingPatterns(preinstalled, {"block-trackers"}), tuning),
      widgetBlockers(blockingPatterns(preinstalled, {"block-twitter-widgets", "block-facebook-widgets",
                                                     "block-other-sharing-widgets"}),
                     tuning) {}

ResourceFilter::Result ResourceFilter::classify(std::string_view url) const {
    if (widgetBlockers.matches(url)) {
        return Result::Widget;
    }
    if (trackerBlockers.matches(url)) {
        return Result::Tracker;
    }
    if (adBlockers.matches(url)) {
        return Result::Ad;
    }
    return Result::None;
}

ResourceFilter::Tallies ResourceFilter::classify(std::span<const Resource> resources) const {
    Tallies tallies{{Result::Ad, {}}, {Result::Tracker, {}}, {Result::Widget, {}}};
    for (const Resource& resource : resources) {
        Tally& tally = tallies[classify(resource.url)];
        tally.count += 1;
        tally.bytes += resource.bytes;
    }
    return tallies;
}

} // namespace orvane
