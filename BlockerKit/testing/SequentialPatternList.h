#pragma once

#include <re2/re2.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The plain way of matching a list of URL patterns: every pattern compiled on its own, tried in
// order until one matches. Slow for long lists, but obviously right, so it is the yardstick the
// set matcher is held to.
class SequentialPatternList {
public:
    explicit SequentialPatternList(const std::vector<std::string>& patterns);

    bool matches(std::string_view url) const;
    // How many patterns compiled.
    std::size_t size() const { return expressions_.size(); }

private:
    std::vector<std::unique_ptr<re2::RE2>> expressions_;
};

} // namespace orvane
