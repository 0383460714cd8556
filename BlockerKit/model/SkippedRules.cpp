#include "model/SkippedRules.h"

namespace orvane {
namespace {

// Enough to say what went wrong; a file with many kinds of faults would otherwise fill the screen.
constexpr std::size_t kListedReasons = 4;

} // namespace

void SkippedRules::add(const std::string& reason, std::size_t times) {
    count_ += times;
    auto [found, added] = index_.try_emplace(reason, reasons_.size());
    if (added) {
        reasons_.emplace_back(reason, times);
    } else {
        reasons_[found->second].second += times;
    }
}

void SkippedRules::add(const SkippedRules& other) {
    for (const auto& [reason, times] : other.reasons_) {
        add(reason, times);
    }
}

std::string SkippedRules::summary() const {
    if (count_ == 0) {
        return {};
    }
    std::string text = count_ == 1 ? "1 rule could not be read and was left out: "
                                   : std::to_string(count_) + " rules could not be read and were left out: ";
    for (std::size_t i = 0; i < reasons_.size() && i < kListedReasons; ++i) {
        text += i == 0 ? "" : ", ";
        text += reasons_[i].first;
        if (count_ > 1) {
            text += " (" + std::to_string(reasons_[i].second) + ")";
        }
    }
    if (reasons_.size() > kListedReasons) {
        text += " and " + std::to_string(reasons_.size() - kListedReasons) + " other faults";
    }
    return text;
}

} // namespace orvane
