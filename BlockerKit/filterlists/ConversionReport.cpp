#include "filterlists/ConversionReport.h"

#include <algorithm>
#include <vector>

namespace orvane::filterlists {
namespace {

std::string reasonsLine(std::string_view heading, const SkippedRules& counts) {
    std::vector<std::pair<std::string, std::size_t>> reasons = counts.reasons();
    std::stable_sort(reasons.begin(), reasons.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string line = "  " + std::string(heading) + ":";
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        line += (i == 0 ? " " : ", ") + reasons[i].first + " " + std::to_string(reasons[i].second);
    }
    return line;
}

} // namespace

std::string ConversionReport::summary(std::string_view name) const {
    std::string text = std::string(name) + ": " + std::to_string(filtersRead) + " filters read, " +
                       std::to_string(rulesWritten) + " rules written";
    if (exceptionsRepeated > 0) {
        text += " (" + std::to_string(exceptionsRepeated) + " of them exceptions of the lists before)";
    }
    text += ", " + std::to_string(skipped.count()) + " skipped";
    if (!skipped.empty()) {
        text += "\n" + reasonsLine("skipped", skipped);
    }
    if (!applied.empty()) {
        text += "\n" + reasonsLine("no rule of their own", applied);
    }
    return text;
}

} // namespace orvane::filterlists
