#pragma once

#include "model/SkippedRules.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::filterlists {

// What became of a list's filters.
struct ConversionReport {
    std::size_t filtersRead = 0;  // lines that hold a filter (not comments, headers or blank lines)
    std::size_t rulesWritten = 0;
    // Of those, the exceptions of the lists converted before this one (see convertFilterLists).
    std::size_t exceptionsRepeated = 0;
    // Filters that make no rule of their own: hiding exceptions and "$badfilter" (which change
    // other rules), the filters those leave out, and repeated filters. By what happened to them.
    SkippedRules applied;
    // Filters that cannot be expressed as content-blocker rules, by reason. None of them is
    // approximated by something that would apply more widely.
    SkippedRules skipped;

    // "NAME: N filters read, N rules written, N skipped" ("N rules written (N of them exceptions of
    // the lists before)" when there are such), then a line with the reasons skipped and
    // one with the filters that made no rule of their own, most frequent first.
    std::string summary(std::string_view name) const;
};

} // namespace orvane::filterlists
