#pragma once

#include <re2/re2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Answers whether any of a list of URL patterns matches a URL, with the answers of
// SequentialPatternList but without trying the patterns one by one. Patterns that name a host
// behind a common anchor are matched as a few alternations of hosts (see HostAnchors.h); the
// rest through RE2 sets of a bounded size: one set of tens of thousands of patterns makes its
// DFA thrash, many small ones bring back the cost of the loop. RE2 runs in linear time, so a
// hostile pattern cannot stall a match. Immutable once built; safe to share between threads.
class PatternSet {
public:
    struct Tuning {
        std::size_t chunkSize = 1000;
        // The budget of one set or host alternation: its program plus the DFA's state cache.
        std::int64_t memoryPerChunk = std::int64_t{16} << 20;
        std::size_t hostsPerExpression = 2000;
    };

    // Patterns that RE2 rejects on their own are left out, exactly as the sequential list does.
    explicit PatternSet(const std::vector<std::string>& patterns);
    PatternSet(const std::vector<std::string>& patterns, Tuning tuning);
    PatternSet(PatternSet&&) noexcept;
    PatternSet& operator=(PatternSet&&) noexcept;
    ~PatternSet();

    bool matches(std::string_view url) const;
    // How many of the patterns compiled.
    std::size_t size() const { return size_; }

private:
    struct Chunk;
    class Builder;

    std::vector<Chunk> chunks_;
    // Matched one by one: the host alternations, and patterns that fit no set within the budget.
    std::vector<std::unique_ptr<re2::RE2>> singles_;
    std::size_t size_ = 0;
};

} // namespace orvane
