#pragma once

#include "model/Records.h"

#include <re2/re2.h>
#include <re2/set.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// WebKit's reading of a content-blocker list for one load, in the plain way: the rules in list
// order, each "block" marking the load blocked and each "ignore-previous-rules" undoing every
// matching rule before it. The yardstick for what a list of rules blocks; loads are made in the
// top frame of the page, with the GET method.
//
// A rule matches when its url-filter matches anywhere in the URL (case-insensitively unless the
// rule says otherwise) and every condition holds: resource type, first or third party (by
// registrable domain, from the public suffix list), the page's domain ("*d": d or a subdomain)
// or the page's URL. Rules of other actions do not decide loads and are left out.
class ContentBlockerEvaluator {
public:
    explicit ContentBlockerEvaluator(const std::vector<Blocker>& blockers);
    ~ContentBlockerEvaluator();
    ContentBlockerEvaluator(const ContentBlockerEvaluator&) = delete;
    ContentBlockerEvaluator& operator=(const ContentBlockerEvaluator&) = delete;

    struct Load {
        std::string url;
        std::string pageUrl;
        ResourceType type = ResourceType::Image;
    };
    struct Verdict {
        bool blocked = false;
        // The last rule that matched (its index in the list given): the block that stands, or
        // the exception that undid the blocks; absent when none matched.
        std::optional<std::size_t> lastMatch;
    };
    Verdict evaluate(const Load& load) const;

private:
    struct Entry;
    struct Chunk;

    bool conditionsHold(const Entry& entry, const Load& load, const std::string& pageHost, bool thirdParty) const;
    std::string registrableDomain(const std::string& host) const;

    std::vector<Entry> entries_;
    std::vector<Chunk> chunks_;
    // libpsl's context: the system's current list when there is one (owned), else the one built in.
    struct PslDeleter {
        void operator()(void* context) const;
    };
    std::unique_ptr<void, PslDeleter> ownedPsl_;
    const void* psl_ = nullptr;
};

} // namespace orvane
