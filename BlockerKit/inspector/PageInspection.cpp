#include "inspector/PageInspection.h"

#include "inspector/InspectedAddress.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <thread>

namespace orvane {
namespace {

std::uint64_t shownCount(const std::string& label) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(label.data(), label.data() + label.size(), value);
    return error == std::errc{} && end == label.data() + label.size() ? value : 0;
}

void addTo(std::string& label, const ResourceFilter::Tallies& tallies, ResourceFilter::Result category) {
    const auto found = tallies.find(category);
    const std::uint64_t added = found != tallies.end() ? found->second.count : 0;
    label = std::to_string(shownCount(label) + added);
}

std::string elapsedText(std::chrono::steady_clock::duration elapsed) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f sec", std::chrono::duration<double>(elapsed).count());
    return text;
}

std::size_t regexQueueWidth() { return std::max(2u, std::thread::hardware_concurrency()); }

} // namespace

PageInspection::PageInspection(std::shared_ptr<const ResourceFilter> filter, Now now)
    : filter_(std::move(filter)), now_(std::move(now)), regexQueue_("regexQueue", regexQueueWidth()) {}

PageInspection::~PageInspection() = default;

void PageInspection::setObserver(std::function<void(const InspectionFigures&)> observer) {
    observer_ = std::move(observer);
}

void PageInspection::changed() {
    if (observer_) {
        observer_(figures_);
    }
}

std::optional<PageInspection::LoadRequest> PageInspection::start(std::string_view typed) {
    const auto url = addressToInspect(typed);
    if (!url) {
        log("Entered value is not a valid URL: " + std::string(typed) + ".");
        figures_.error = "Error: Entered value is not a valid URL";
        changed();
        return std::nullopt;
    }
    ++generation_;
    retriedOverHttp_ = false;
    figures_ = InspectionFigures{};
    figures_.state = InspectionFigures::State::Loading;
    // A single space keeps the error line's height while it says nothing.
    figures_.error = " ";
    startDate_ = now_();
    hostBeingInspected_ = hostOfURL(*url);
    inspectedAddress_ = *url;
    changed();
    return LoadRequest{*url, true, kInspectionTimeout};
}

void PageInspection::refreshTime() {
    if (startDate_) {
        figures_.time = elapsedText(now_() - *startDate_);
        changed();
    }
}

void PageInspection::stopTimer() {
    if (startDate_) {
        figures_.time = elapsedText(now_() - *startDate_);
        startDate_.reset();
    }
    figures_.state = InspectionFigures::State::Finished;
}

bool PageInspection::frameFinished(const FrameReport& frame) {
    auto foreign = resourcesFromOtherHosts(frame);
    regexQueue_.addOperation([filter = filter_, foreign = std::move(foreign), generation = generation_,
                              weak = std::weak_ptr<PageInspection*>(self_)](const Operation&) {
        auto tallies = filter->classify(foreign);
        runOnMain([weak, generation, tallies = std::move(tallies)] {
            if (auto self = weak.lock()) {
                (*self)->addCounts(generation, tallies);
            }
        });
    });
    if (!hostBeingInspected_ || !isInspectedFrame(frame.frameURL, *hostBeingInspected_)) {
        return false;
    }
    stopTimer();
    changed();
    return true;
}

void PageInspection::addCounts(std::uint64_t generation, const ResourceFilter::Tallies& tallies) {
    if (generation != generation_) {
        return;
    }
    addTo(figures_.adsCount, tallies, ResourceFilter::Result::Ad);
    addTo(figures_.trackersCount, tallies, ResourceFilter::Result::Tracker);
    addTo(figures_.widgetCount, tallies, ResourceFilter::Result::Widget);
    changed();
}

void PageInspection::showPageSize(std::optional<std::uint64_t> bytes) {
    if (bytes) {
        gchar* text = g_format_size(*bytes);
        figures_.pageSize = text;
        g_free(text);
    } else {
        figures_.pageSize = "Unknown";
    }
    changed();
}

std::optional<PageInspection::LoadRequest> PageInspection::loadFailed(std::string_view failingURL, Failure failure,
                                                                      std::string_view description) {
    const auto host = hostOfURL(failingURL);
    if (!host || host != hostBeingInspected_) {
        return std::nullopt;
    }
    switch (failure) {
    case Failure::Cancelled:
        return std::nullopt;
    case Failure::UntrustedCertificate: {
        log("HTTPS load failed");
        // A server that sends the HTTP address back to HTTPS would otherwise keep the inspection
        // going round for ever: one retry per start, then the failure is the result.
        if (retriedOverHttp_) {
            break;
        }
        auto retry = overHttp(failingURL);
        if (!hostOfURL(retry)) {
            return std::nullopt;
        }
        log("Retrying with HTTP schema");
        retriedOverHttp_ = true;
        inspectedAddress_ = retry;
        return LoadRequest{std::move(retry), false, kDefaultTimeout};
    }
    case Failure::Other:
        break;
    }
    figures_.error = "Error: " + std::string(description);
    stopTimer();
    changed();
    return std::nullopt;
}

void PageInspection::timedOut() {
    if (figures_.state != InspectionFigures::State::Loading) {
        return;
    }
    figures_.error = "Error: " + std::string(kTimedOutMessage);
    stopTimer();
    changed();
}

void PageInspection::redirected(bool mainFrame, std::string_view url) {
    const auto host = hostOfURL(url);
    if (!mainFrame) {
        log("not main redirect " + host.value_or(""));
        return;
    }
    log("redirecting to " + host.value_or(""));
    if (host) {
        hostBeingInspected_ = host;
    }
}

bool PageInspection::isInspectedCommit(std::string_view url) const {
    return hostBeingInspected_ && isInspectedFrame(url, *hostBeingInspected_);
}

void PageInspection::waitForClassifications() { regexQueue_.waitUntilAllOperationsAreFinished(); }

} // namespace orvane
