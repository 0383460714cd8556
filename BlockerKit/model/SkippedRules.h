#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvane {

// The rules a reader left out, counted by what it met in them, so that an import can tell the
// user how many it skipped and why.
class SkippedRules {
public:
    void add(const std::string& reason, std::size_t times = 1);
    void add(const SkippedRules& other);

    std::size_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Each reason once with how many rules it skipped, in the order first met.
    const std::vector<std::pair<std::string, std::size_t>>& reasons() const { return reasons_; }

    // "1 rule could not be read and was left out: …", or for several "N rules could not be read
    // and were left out: reason (count), …"; the first few reasons only. Empty when none.
    std::string summary() const;

private:
    std::size_t count_ = 0;
    std::vector<std::pair<std::string, std::size_t>> reasons_;
    std::unordered_map<std::string, std::size_t> index_;
};

} // namespace orvane
