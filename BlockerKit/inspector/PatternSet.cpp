#include "inspector/PatternSet.h"

#include "inspector/HostAnchors.h"
#include "inspector/UrlPattern.h"

#include <re2/set.h>

#include <algorithm>
#include <span>

namespace orvane {

struct PatternSet::Chunk {
    std::unique_ptr<re2::RE2::Set> set;
    // Kept to ask each pattern alone, should the set's DFA run out of memory on some text.
    std::vector<std::string> patterns;

    bool matches(std::string_view url) const;
};

namespace {

struct CompiledPattern {
    std::string_view text;
    std::unique_ptr<re2::RE2> expression;
};

re2::StringPiece piece(std::string_view text) { return re2::StringPiece(text.data(), text.size()); }

} // namespace

// Anything that does not fit its budget is halved until it does, so no pattern that compiles on
// its own is ever lost; one that fits no set is matched on its own.
class PatternSet::Builder {
public:
    Builder(const Tuning& tuning, PatternSet& target) : tuning_(tuning), target_(target) {
        options_ = urlPatternOptions();
        options_.set_max_mem(tuning.memoryPerChunk);
    }

    void addHosts(const HostAnchorGroup& group, std::span<const std::string> hosts) {
        if (hosts.size() == 1) {
            const std::string pattern = std::string(group.prefix) + hosts.front() + std::string(group.suffix);
            if (auto expression = compileUrlPattern(pattern)) {
                target_.singles_.push_back(std::move(expression));
                ++target_.size_;
            }
            return;
        }
        auto expression = std::make_unique<re2::RE2>(hostAlternation(group, hosts), options_);
        if (expression->ok()) {
            target_.singles_.push_back(std::move(expression));
            target_.size_ += hosts.size();
            return;
        }
        const std::size_t half = hosts.size() / 2;
        addHosts(group, hosts.first(half));
        addHosts(group, hosts.subspan(half));
    }

    void addChunk(std::span<CompiledPattern> group) {
        auto set = std::make_unique<re2::RE2::Set>(options_, re2::RE2::UNANCHORED);
        const bool allAdded = std::all_of(group.begin(), group.end(), [&](const CompiledPattern& pattern) {
            return set->Add(piece(pattern.text), nullptr) >= 0;
        });
        if (allAdded && set->Compile()) {
            std::vector<std::string> texts;
            texts.reserve(group.size());
            for (const CompiledPattern& pattern : group) {
                texts.emplace_back(pattern.text);
            }
            target_.chunks_.push_back({std::move(set), std::move(texts)});
            return;
        }
        if (group.size() == 1) {
            target_.singles_.push_back(std::move(group.front().expression));
            return;
        }
        const std::size_t half = group.size() / 2;
        addChunk(group.first(half));
        addChunk(group.subspan(half));
    }

    void addOthers(const std::vector<std::string>& patterns) {
        const std::size_t chunkSize = std::max<std::size_t>(tuning_.chunkSize, 1);
        std::vector<CompiledPattern> pending;
        pending.reserve(std::min(chunkSize, patterns.size()));
        for (const std::string& pattern : patterns) {
            auto expression = compileUrlPattern(pattern);
            if (!expression) {
                continue;
            }
            ++target_.size_;
            pending.push_back({pattern, std::move(expression)});
            if (pending.size() == chunkSize) {
                addChunk(pending);
                pending.clear();
            }
        }
        if (!pending.empty()) {
            addChunk(pending);
        }
    }

private:
    Tuning tuning_;
    re2::RE2::Options options_;
    PatternSet& target_;
};

PatternSet::PatternSet(const std::vector<std::string>& patterns) : PatternSet(patterns, Tuning{}) {}
PatternSet::PatternSet(PatternSet&&) noexcept = default;
PatternSet& PatternSet::operator=(PatternSet&&) noexcept = default;
PatternSet::~PatternSet() = default;

PatternSet::PatternSet(const std::vector<std::string>& patterns, Tuning tuning) {
    const HostAnchorSplit split = splitHostAnchors(patterns);
    Builder builder(tuning, *this);
    const std::size_t hostsPerExpression = std::max<std::size_t>(tuning.hostsPerExpression, 1);
    for (const HostAnchorGroup& group : split.groups) {
        const std::span<const std::string> hosts(group.hosts);
        for (std::size_t start = 0; start < hosts.size(); start += hostsPerExpression) {
            builder.addHosts(group, hosts.subspan(start, std::min(hostsPerExpression, hosts.size() - start)));
        }
    }
    builder.addOthers(split.others);
}

bool PatternSet::matches(std::string_view url) const {
    return std::any_of(singles_.begin(), singles_.end(),
                       [&](const std::unique_ptr<re2::RE2>& expression) { return searchUrl(*expression, url); }) ||
           std::any_of(chunks_.begin(), chunks_.end(), [&](const Chunk& chunk) { return chunk.matches(url); });
}

bool PatternSet::Chunk::matches(std::string_view url) const {
    re2::RE2::Set::ErrorInfo error{re2::RE2::Set::kNoError};
    if (set->Match(piece(url), nullptr, &error)) {
        return true;
    }
    if (error.kind == re2::RE2::Set::kNoError) {
        return false;
    }
    // A set has no slower engine to fall back on; a "no" from a DFA that gave up is no answer.
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
        auto expression = compileUrlPattern(pattern);
        return expression && searchUrl(*expression, url);
    });
}

} // namespace orvane
