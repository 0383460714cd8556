#pragma once

#include "cloud/CloudError.h"
#include "report/Report.h"

#include <functional>
#include <optional>

namespace orvane {

// Whether the report was saved, and why not when it was not.
using ReportCompletion = std::function<void(bool saved, const std::optional<CloudError>& error)>;

// Posts problem reports to the public database of the report container of this process's cloud
// (ORVANE_CLOUD). The container is made on first use and kept for the process. A report that
// cannot be saved is logged and answered as such: nothing is kept to try again.
class Reporter {
public:
    // Saves the report as one new record. The completion always runs, later, on the main thread.
    static void post(const Report& report, ReportCompletion completion);
};

} // namespace orvane
