#pragma once

#include "filterlists/HidingFilters.h"
#include "model/Records.h"
#include "model/SkippedRules.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvane::filterlists {

// The element hiding of one list. All of it is gathered before any rule is made, since an
// exception anywhere in the list changes the rules of its selector.
class ElementHiding {
public:
    // Generic selectors (hidden on every site, no exception) are spread over this many rules by a
    // hash of the selector, so that each keeps its group from one version of a list to the next.
    static constexpr std::size_t kGenericGroups = 16;

    explicit ElementHiding(std::string packageId) : packageId_(std::move(packageId)) {}

    // `text` is the filter as written; it must outlive this object.
    void add(HidingFilter filter, std::string_view text);

    struct Rules {
        std::vector<Rule> everywhere; // the generic groups, and selectors some sites exempt
        std::vector<Rule> onSites;    // selectors hidden on named sites only
    };
    // Exceptions and the hiding filters they leave out count in `applied`; hiding that no single
    // WebKit trigger can hold (a site included, one of its subdomains excluded) in `skipped`.
    Rules rules(SkippedRules& applied, SkippedRules& skipped) const;

private:
    struct Hiding {
        Sites sites;
        std::string selector;
        std::string_view text;
    };

    std::string packageId_;
    std::vector<Hiding> hidings_;
    std::unordered_map<std::string, std::vector<std::string>> exemptSites_; // by selector
    std::unordered_set<std::string> exemptEverywhere_;
    std::size_t exceptions_ = 0;
};

} // namespace orvane::filterlists
