#pragma once

#include "inspector/PageInspection.h"

#include <memory>

namespace orvane {

// A page inspection judged by the preinstalled packages (loaded from storage when the catalog has
// none yet); with none to be had, nothing counts as an ad, a tracker or a widget.
std::unique_ptr<PageInspection> newPageInspection(PageInspection::Now now = [] {
    return std::chrono::steady_clock::now();
});

} // namespace orvane
