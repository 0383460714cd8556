#pragma once

#include "inspector/FrameResources.h"
#include "inspector/InspectionFigures.h"
#include "inspector/ResourceFilter.h"
#include "platform/OperationQueue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// One inspector's state between its web view and its labels, free of any toolkit: the web view's
// events go in, what to load and what the labels show come out. Frames are classified on
// `regexQueue`; their counts reach the figures on the main thread. Everything else runs on the
// main thread.
class PageInspection {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    // What the web view is to load.
    struct LoadRequest {
        std::string url;
        // The first load of an inspection leaves cached data aside and gives up after 15 s; the
        // retry over HTTP is a plain request.
        bool ignoreCachedData = false;
        std::chrono::seconds timeout{60};

        bool operator==(const LoadRequest&) const = default;
    };

    enum class Failure { UntrustedCertificate, Cancelled, Other };

    static constexpr std::chrono::seconds kInspectionTimeout{15};
    static constexpr std::chrono::seconds kDefaultTimeout{60};
    static constexpr std::chrono::milliseconds kTimerInterval{30};
    // What WebKit says when a request runs out of time.
    static constexpr std::string_view kTimedOutMessage = "Request timed out";

    explicit PageInspection(std::shared_ptr<const ResourceFilter> filter,
                            Now now = [] { return std::chrono::steady_clock::now(); });
    ~PageInspection();
    PageInspection(const PageInspection&) = delete;
    PageInspection& operator=(const PageInspection&) = delete;

    // Runs, on the main thread, whenever the figures change.
    void setObserver(std::function<void(const InspectionFigures&)> observer);
    const InspectionFigures& figures() const { return figures_; }
    const std::optional<std::string>& hostBeingInspected() const { return hostBeingInspected_; }
    // Whether the time still runs: the front end refreshes it every kTimerInterval meanwhile.
    bool isTiming() const { return startDate_.has_value(); }
    // The address last loaded; the report form offers it.
    const std::optional<std::string>& inspectedAddress() const { return inspectedAddress_; }

    // The address field was confirmed with `typed`. Absent when it is not a valid address: then
    // only the error line changes.
    std::optional<LoadRequest> start(std::string_view typed);

    // Shows the time since the start while it runs.
    void refreshTime();

    // A frame finished loading. Its resources from other hosts are classified and their counts
    // added to the figures, also after the inspection finished. Answers whether it is the
    // inspected frame: then the time stops and the caller measures the page for showPageSize.
    bool frameFinished(const FrameReport& frame);
    // The size of the inspected page in bytes; absent reads "Unknown".
    void showPageSize(std::optional<std::uint64_t> bytes);

    // A load failed. Only failures of the inspected host count: an untrusted certificate answers
    // the same address over HTTP to load instead, a cancelled load is ignored, and any other
    // failure ends the inspection with `description`.
    std::optional<LoadRequest> loadFailed(std::string_view failingURL, Failure failure, std::string_view description);
    // The inspected load ran out of time; the caller stops it.
    void timedOut();
    // A server redirected a load to `url`; a redirect of the main frame moves the inspection to
    // the new host.
    void redirected(bool mainFrame, std::string_view url);
    // Whether a frame committing at `url` is the inspected page, which the preview scales down.
    bool isInspectedCommit(std::string_view url) const;

    // Blocks until every classification has run; their counts are then queued on the main thread.
    void waitForClassifications();

private:
    void stopTimer();
    void changed();
    void addCounts(std::uint64_t generation, const ResourceFilter::Tallies& tallies);

    std::shared_ptr<const ResourceFilter> filter_;
    Now now_;
    std::function<void(const InspectionFigures&)> observer_;
    InspectionFigures figures_;
    std::optional<std::string> hostBeingInspected_;
    std::optional<std::string> inspectedAddress_;
    std::optional<std::chrono::steady_clock::time_point> startDate_;
    // Counts of an earlier start that arrive late are not this page's.
    std::uint64_t generation_ = 0;
    bool retriedOverHttp_ = false;
    std::shared_ptr<PageInspection*> self_ = std::make_shared<PageInspection*>(this);
    OperationQueue regexQueue_;
};

} // namespace orvane
