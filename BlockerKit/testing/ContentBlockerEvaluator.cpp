#include "testing/ContentBlockerEvaluator.h"

#include <glib.h>
#include <libpsl.h>

#include <algorithm>

namespace orvane {
namespace {

constexpr std::size_t kChunkSize = 1000;

re2::RE2::Options options(bool caseSensitive) {
    re2::RE2::Options result;
    result.set_case_sensitive(caseSensitive);
    result.set_log_errors(false);
    result.set_max_mem(std::int64_t{64} << 20);
    return result;
}

std::string hostOf(const std::string& url) {
    GUri* uri = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (uri == nullptr) {
        return {};
    }
    const char* host = g_uri_get_host(uri);
    std::string result = host != nullptr ? host : "";
    g_uri_unref(uri);
    return result;
}

bool typeMatches(ResourceType wanted, ResourceType load) {
    switch (wanted) {
    case ResourceType::Document: return load == ResourceType::TopDocument || load == ResourceType::ChildDocument;
    case ResourceType::Raw:
        return load == ResourceType::Fetch || load == ResourceType::WebSocket || load == ResourceType::Other ||
               load == ResourceType::Ping;
    default: return wanted == load;
    }
}

bool domainMatches(const std::string& value, const std::string& host) {
    if (value.starts_with('*')) {
        const std::string_view site = std::string_view(value).substr(1);
        return host == site || (host.size() > site.size() && host.ends_with(site) &&
                                host[host.size() - site.size() - 1] == '.');
    }
    return host == value;
}

} // namespace

struct ContentBlockerEvaluator::Entry {
    std::size_t index; // in the list given
    Trigger trigger;
    bool blocks;
    std::vector<std::unique_ptr<re2::RE2>> pageExpressions;
};

struct ContentBlockerEvaluator::Chunk {
    std::unique_ptr<re2::RE2::Set> set;
    std::vector<std::size_t> entries; // the entry of each pattern of the set
};

void ContentBlockerEvaluator::PslDeleter::operator()(void* context) const {
    psl_free(static_cast<psl_ctx_t*>(context));
}

ContentBlockerEvaluator::ContentBlockerEvaluator(const std::vector<Blocker>& blockers) {
    ownedPsl_.reset(psl_latest(nullptr));
    psl_ = ownedPsl_ ? ownedPsl_.get() : static_cast<const void*>(psl_builtin());
    for (std::size_t i = 0; i < blockers.size(); ++i) {
        const Blocker& blocker = blockers[i];
        if (blocker.action.type != ActionType::Block && blocker.action.type != ActionType::IgnorePreviousRules) {
            continue;
        }
        Entry entry{i, blocker.trigger, blocker.action.type == ActionType::Block, {}};
        if (const auto& top = blocker.trigger.topURLFilter) {
            for (const std::string& pattern : top->values) {
                entry.pageExpressions.push_back(
                    std::make_unique<re2::RE2>(pattern, options(blocker.trigger.topURLFilterCaseSensitive)));
            }
        }
        entries_.push_back(std::move(entry));
    }
    // Sets of at most kChunkSize patterns, one kind of case sensitivity each.
    for (const bool caseSensitive : {false, true}) {
        Chunk chunk;
        auto flush = [&] {
            if (chunk.set && chunk.set->Compile()) {
                chunks_.push_back(std::move(chunk));
            }
            chunk = Chunk{};
        };
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].trigger.caseSensitive != caseSensitive) {
                continue;
            }
            if (!chunk.set) {
                chunk.set = std::make_unique<re2::RE2::Set>(options(caseSensitive), re2::RE2::UNANCHORED);
            }
            if (chunk.set->Add(entries_[i].trigger.urlFilter, nullptr) >= 0) {
                chunk.entries.push_back(i);
            }
            if (chunk.entries.size() == kChunkSize) {
                flush();
            }
        }
        flush();
    }
}

ContentBlockerEvaluator::~ContentBlockerEvaluator() = default;

std::string ContentBlockerEvaluator::registrableDomain(const std::string& host) const {
    const char* domain = psl_registrable_domain(static_cast<const psl_ctx_t*>(psl_), host.c_str());
    return domain != nullptr ? std::string(domain) : host;
}

bool ContentBlockerEvaluator::conditionsHold(const Entry& entry, const Load& load, const std::string& pageHost,
                                             bool thirdParty) const {
    const Trigger& trigger = entry.trigger;
    if (trigger.resourceTypes &&
        std::none_of(trigger.resourceTypes->begin(), trigger.resourceTypes->end(),
                     [&](ResourceType type) { return typeMatches(type, load.type); })) {
        return false;
    }
    if (trigger.loadType &&
        std::find(trigger.loadType->begin(), trigger.loadType->end(),
                  thirdParty ? LoadType::ThirdParty : LoadType::FirstParty) == trigger.loadType->end()) {
        return false;
    }
    if (trigger.loadContext && std::find(trigger.loadContext->begin(), trigger.loadContext->end(),
                                         LoadContext::TopFrame) == trigger.loadContext->end()) {
        return false;
    }
    if (trigger.requestMethod && g_ascii_strcasecmp(trigger.requestMethod->c_str(), "get") != 0) {
        return false;
    }
    if (const auto& domains = trigger.domainFilter) {
        const bool any = std::any_of(domains->values.begin(), domains->values.end(),
                                     [&](const std::string& value) { return domainMatches(value, pageHost); });
        if (any != (domains->type == DomainFilterType::IfDomain)) {
            return false;
        }
    }
    if (const auto& top = trigger.topURLFilter) {
        const bool any = std::any_of(entry.pageExpressions.begin(), entry.pageExpressions.end(),
                                     [&](const auto& expression) { return RE2::PartialMatch(load.pageUrl, *expression); });
        if (any != (top->type == TopURLFilterType::IfTopURL)) {
            return false;
        }
    }
    return true;
}

ContentBlockerEvaluator::Verdict ContentBlockerEvaluator::evaluate(const Load& load) const {
    std::vector<std::size_t> candidates;
    std::vector<int> matched;
    for (const Chunk& chunk : chunks_) {
        matched.clear();
        if (chunk.set->Match(load.url, &matched)) {
            for (int pattern : matched) {
                candidates.push_back(chunk.entries[static_cast<std::size_t>(pattern)]);
            }
        }
    }
    std::sort(candidates.begin(), candidates.end());

    const std::string pageHost = hostOf(load.pageUrl);
    const bool thirdParty = registrableDomain(hostOf(load.url)) != registrableDomain(pageHost);

    Verdict verdict;
    for (std::size_t candidate : candidates) {
        const Entry& entry = entries_[candidate];
        if (!conditionsHold(entry, load, pageHost, thirdParty)) {
            continue;
        }
        verdict.blocked = entry.blocks;
        verdict.lastMatch = entry.index;
    }
    return verdict;
}

} // namespace orvane
