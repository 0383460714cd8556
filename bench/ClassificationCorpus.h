#pragma once

// A synthetic but realistic workload for resource classification: preinstalled packages whose
// blocking rules are written like real content-blocker lists (host anchors, ad paths, tracking
// query parameters, a few wildcards, some broken patterns and some rules of other kinds), and
// third-party URLs of the sort a news page pulls in, most of them innocent. Deterministic for a
// given seed, so the benchmark and the tests see the same corpus.

#include "inspector/BlockingPatterns.h"
#include "inspector/ResourceFilter.h"
#include "testing/SequentialPatternList.h"
#include "model/Records.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::corpus {

struct ClassificationCorpus {
    std::vector<Package> preinstalled;
    std::vector<std::string> urls;
    std::size_t blockingRuleCount = 0;
};

// The answers a filter must give, found the slow way: every pattern on its own, in order.
class SequentialClassifier {
public:
    explicit SequentialClassifier(const std::vector<Package>& preinstalled)
        : adBlockers_(blockingPatterns(preinstalled, {"block-ads"})),
          trackerBlockers_(blockingPatterns(preinstalled, {"block-trackers"})),
          widgetBlockers_(blockingPatterns(
              preinstalled, {"block-twitter-widgets", "block-facebook-widgets", "block-other-sharing-widgets"})) {}

    ResourceFilter::Result classify(std::string_view url) const {
        if (widgetBlockers_.matches(url)) {
            return ResourceFilter::Result::Widget;
        }
        if (trackerBlockers_.matches(url)) {
            return ResourceFilter::Result::Tracker;
        }
        if (adBlockers_.matches(url)) {
            return ResourceFilter::Result::Ad;
        }
        return ResourceFilter::Result::None;
    }

private:
    SequentialPatternList adBlockers_;
    SequentialPatternList trackerBlockers_;
    SequentialPatternList widgetBlockers_;
};

namespace detail {

inline constexpr std::array<std::string_view, 24> kSyllables{
    "ad", "zor", "tam", "vex", "lum", "quo", "rix", "pel", "mon", "dra", "kin", "sol",
    "bry", "fen", "gal", "hux", "jor", "mak", "nim", "ost", "pru", "sev", "tor", "wyn"};
inline constexpr std::array<std::string_view, 8> kTopLevelDomains{"com", "net", "io", "org", "co", "de", "fr", "tv"};
inline constexpr std::array<std::string_view, 24> kBlockWords{
    "ads",     "adserver", "banner", "sponsor", "promo",   "popunder", "track",  "pixel",
    "beacon",  "collect",  "metrics", "analytics", "impression", "clickthru", "affiliate", "creative",
    "adframe", "adunit",   "prebid", "widget",  "share",   "like",     "tweet",  "follow"};
inline constexpr std::array<std::string_view, 32> kPlainWords{
    "static", "assets", "img",     "images", "media",  "video",  "news",   "article",
    "js",     "css",    "fonts",   "api",    "v1",     "v2",     "user",   "content",
    "thumb",  "photos", "library", "lib",    "bundle", "main",   "vendor", "app",
    "player", "embed",  "comment", "search", "weather", "sport", "home",   "about"};
inline constexpr std::array<std::string_view, 12> kParameters{
    "id", "uid", "cb", "ref", "utm_source", "sid", "pid", "cid", "ts", "v", "lang", "page"};
inline constexpr std::array<std::string_view, 8> kExtensions{"js", "gif", "png", "jpg", "css", "html", "php", "json"};
inline constexpr std::array<std::string_view, 7> kSubdomains{"www", "cdn", "static", "img", "api", "s", "media"};
// Patterns that RE2 refuses: a rule list written by hand or synced from elsewhere has some.
inline constexpr std::array<std::string_view, 6> kBrokenPatterns{
    "(unclosed/ads", "[z-a]banner", "*leading", "/ads/\\1", "(?<=ads)/banner", "trailing\\"};

class Generator {
public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}

    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(random_() % bound); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <typename Array>
    std::string_view pick(const Array& words) {
        return words[below(words.size())];
    }

    // Hosts 0 .. kBlockedHosts-1 are the ones the rules name; the rest are innocent.
    static std::string host(std::size_t index) {
        std::string name(kSyllables[index % kSyllables.size()]);
        name += kSyllables[(index / kSyllables.size()) % kSyllables.size()];
        name += std::to_string(index / (kSyllables.size() * kSyllables.size()));
        name += '.';
        name += kTopLevelDomains[(index / 7) % kTopLevelDomains.size()];
        return name;
    }

    static std::string escaped(std::string_view text) {
        std::string result;
        for (char c : text) {
            if (c == '.' || c == '?' || c == '+' || c == '*') {
                result += '\\';
            }
            result += c;
        }
        return result;
    }

    std::string pattern(std::size_t index, std::size_t blockedHosts) {
        const std::string number = std::to_string(index % 1000);
        switch (below(20)) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8:
            return "^https?://([^/]+\\.)?" + escaped(host(below(blockedHosts))) + "[/:]";
        case 9: case 10:
            return "^https?://([^/]+\\.)?" + escaped(host(below(blockedHosts))) + "/" +
                   std::string(pick(kBlockWords)) + "/";
        case 11: case 12:
            return "/" + std::string(pick(kBlockWords)) + "/" + std::string(pick(kBlockWords)) + number +
                   "[0-9]*\\." + std::string(pick(kExtensions));
        case 13:
            return "/" + std::string(pick(kBlockWords)) + "[_-]" + std::string(pick(kPlainWords)) + number + "\\.js";
        case 14:
            return "\\." + std::string(pick(kTopLevelDomains)) + "/" + std::string(pick(kBlockWords)) + number + "\\?" +
                   std::string(pick(kParameters)) + "=";
        case 15:
            return "[?&]" + std::string(pick(kBlockWords)) + number + "_" + std::string(pick(kParameters)) + "=";
        case 16:
            return "/" + std::string(pick(kBlockWords)) + number + "/.*\\." + std::string(pick(kExtensions)) + "\\?";
        case 17:
            return "^https?://" + std::string(pick(kBlockWords)) + "[0-9]*\\." + escaped(host(below(blockedHosts)));
        case 18:
            return escaped(host(below(blockedHosts))) + "/.*/" + std::string(pick(kBlockWords)) + "\\.(gif|png)$";
        default:
            return "/" + std::string(pick(kPlainWords)) + "/" + std::string(pick(kBlockWords)) + "-?" + number +
                   "x[0-9]+\\.";
        }
    }

    std::string url(std::size_t blockedHosts, std::size_t allHosts) {
        const bool blockedHost = chance(8);
        const std::size_t hostIndex = blockedHost ? below(blockedHosts) : blockedHosts + below(allHosts - blockedHosts);
        std::string url = chance(90) ? "https://" : "http://";
        if (chance(70)) {
            url += pick(kSubdomains);
            url += '.';
        }
        url += host(hostIndex);
        const std::size_t segments = 1 + below(4);
        for (std::size_t i = 0; i < segments; ++i) {
            url += '/';
            url += chance(6) ? pick(kBlockWords) : pick(kPlainWords);
            if (chance(30)) {
                url += std::to_string(below(1500));
            }
        }
        url += '/';
        url += chance(5) ? pick(kBlockWords) : pick(kPlainWords);
        url += std::to_string(below(1200));
        url += '.';
        url += pick(kExtensions);
        if (chance(50)) {
            const std::size_t parameters = 1 + below(4);
            for (std::size_t i = 0; i < parameters; ++i) {
                url += i == 0 ? '?' : '&';
                url += chance(3) ? std::string(pick(kBlockWords)) + std::to_string(below(1000)) + "_" : "";
                url += pick(kParameters);
                url += '=';
                url += std::to_string(random_() % 100000000);
            }
        }
        if (chance(4)) {
            // Servers and pages are not consistent about case; the rules must not care.
            for (char& c : url) {
                if (c >= 'a' && c <= 'z' && chance(50)) {
                    c = static_cast<char>(c - 'a' + 'A');
                }
            }
        }
        return url;
    }

private:
    std::mt19937_64 random_;
};

inline Trigger urlTrigger(std::string urlFilter, bool caseSensitive) {
    Trigger trigger;
    trigger.urlFilter = std::move(urlFilter);
    trigger.caseSensitive = caseSensitive;
    return trigger;
}

inline Rule blockRule(std::string urlFilter, std::size_t index) {
    return Rule{"rule-" + std::to_string(index), "Rule " + std::to_string(index),
                Blocker{urlTrigger(std::move(urlFilter), index % 3 == 0), Action{ActionType::Block, std::nullopt}}};
}

// Rules of other kinds match everything by URL; they must not count.
inline Rule otherRule(std::size_t index) {
    if (index % 2 == 0) {
        return Rule{"rule-" + std::to_string(index), "Hide " + std::to_string(index),
                    Blocker{urlTrigger(".*", false), Action{ActionType::Hide, ".ad-slot-" + std::to_string(index)}}};
    }
    return Rule{"rule-" + std::to_string(index), "Cookies " + std::to_string(index),
                Blocker{urlTrigger(".*", false), Action{ActionType::BlockCookies, std::nullopt}}};
}

} // namespace detail

// Blocking rules are shared out 60 : 30 : 10 between ads, trackers and the three widget
// packages. About one rule in thirty is of another kind and one pattern in three hundred broken.
inline ClassificationCorpus makeClassificationCorpus(std::size_t blockingRules, std::size_t urlCount,
                                                     std::uint64_t seed = 20240611) {
    detail::Generator generator(seed);
    const std::size_t blockedHosts = std::max<std::size_t>(blockingRules / 2, 1);
    const std::size_t allHosts = blockedHosts * 4;

    ClassificationCorpus corpus;
    corpus.preinstalled = {
        Package{"block-ads", "Ads", {}},
        Package{"block-trackers", "Trackers", {}},
        Package{"block-twitter-widgets", "Twitter widgets", {}},
        Package{"block-facebook-widgets", "Facebook widgets", {}},
        Package{"block-other-sharing-widgets", "Other sharing widgets", {}},
    };
    std::size_t ruleIndex = 0;
    for (std::size_t i = 0; i < blockingRules; ++i) {
        const std::size_t share = i % 10;
        Package& package = corpus.preinstalled[share < 6 ? 0 : share < 9 ? 1 : 2 + (i / 10) % 3];
        if (generator.chance(3)) {
            package.rules.push_back(detail::otherRule(ruleIndex++));
        }
        std::string pattern = generator.below(300) == 0 ? std::string(generator.pick(detail::kBrokenPatterns))
                                                        : generator.pattern(i, blockedHosts);
        package.rules.push_back(detail::blockRule(std::move(pattern), ruleIndex++));
        ++corpus.blockingRuleCount;
    }
    corpus.urls.reserve(urlCount);
    for (std::size_t i = 0; i < urlCount; ++i) {
        corpus.urls.push_back(generator.url(blockedHosts, allHosts));
    }
    return corpus;
}

} // namespace orvane::corpus
