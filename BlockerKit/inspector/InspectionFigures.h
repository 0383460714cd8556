#pragma once

#include <string>

namespace orvane {

// What an inspector shows, as text: the three counts, the page size, the time and the error
// line, and where the inspection stands.
struct InspectionFigures {
    enum class State { Idle, Loading, Finished };

    State state = State::Idle;
    std::string adsCount;
    std::string trackersCount;
    std::string widgetCount;
    std::string pageSize;
    std::string time;
    std::string error;

    bool operator==(const InspectionFigures&) const = default;
};

} // namespace orvane
