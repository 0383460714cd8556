#include "testing/SequentialPatternList.h"

#include "inspector/UrlPattern.h"

#include <algorithm>

namespace orvane {

SequentialPatternList::SequentialPatternList(const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        if (auto compiled = compileUrlPattern(pattern)) {
            expressions_.push_back(std::move(compiled));
        }
    }
}

bool SequentialPatternList::matches(std::string_view url) const {
    return std::any_of(expressions_.begin(), expressions_.end(),
                       [&](const std::unique_ptr<re2::RE2>& expression) { return searchUrl(*expression, url); });
}

} // namespace orvane
