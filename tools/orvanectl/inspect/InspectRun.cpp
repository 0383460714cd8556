// orvanectl inspect: the page inspection of the application in a view that is never shown, and
// what its labels would say. It runs in orvane-inspect, the one program of the command line that
// loads WebKit and GTK.

#include "InspectCommand.h"

#include "app/PageInspector.h"
#include "inspector/engine/InspectionEngine.h"
#include "platform/JsonText.h"
#include "platform/MainQueue.h"

#include <gtk/gtk.h>

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace orvane::cli {
namespace {

constexpr Command kUsage{"inspect", kInspectUsage, nullptr};

std::optional<std::chrono::seconds> parseSeconds(const std::string& text) {
    unsigned seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || seconds == 0 || seconds > 3600) {
        return std::nullopt;
    }
    return std::chrono::seconds(seconds);
}

std::uint64_t count(const std::string& label) {
    std::uint64_t value = 0;
    std::from_chars(label.data(), label.data() + label.size(), value);
    return value;
}

std::optional<std::string> jsonText(const std::string& address, const InspectionFigures& figures,
                                    const std::vector<FrameReport>& frames) {
    JsonDocument document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    document.AddMember("url", JsonValue(address, allocator), allocator);
    document.AddMember("ads", JsonValue(count(figures.adsCount)), allocator);
    document.AddMember("trackers", JsonValue(count(figures.trackersCount)), allocator);
    document.AddMember("widgets", JsonValue(count(figures.widgetCount)), allocator);
    document.AddMember("size", JsonValue(figures.pageSize, allocator), allocator);
    document.AddMember("time", JsonValue(figures.time, allocator), allocator);
    const bool failed = !figures.error.empty() && figures.error != " ";
    document.AddMember("error", failed ? JsonValue(figures.error, allocator) : JsonValue(rapidjson::kNullType),
                       allocator);
    // What was counted: each frame with its resources from other hosts.
    JsonValue list(rapidjson::kArrayType);
    for (const FrameReport& frame : frames) {
        JsonValue entry(rapidjson::kObjectType);
        entry.AddMember("url", JsonValue(frame.frameURL, allocator), allocator);
        JsonValue resources(rapidjson::kArrayType);
        for (const auto& resource : resourcesFromOtherHosts(frame)) {
            JsonValue item(rapidjson::kObjectType);
            item.AddMember("url", JsonValue(resource.url, allocator), allocator);
            item.AddMember("bytes", JsonValue(resource.bytes), allocator);
            resources.PushBack(item, allocator);
        }
        entry.AddMember("resourcesFromOtherHosts", resources, allocator);
        list.PushBack(entry, allocator);
    }
    document.AddMember("frames", list, allocator);
    return serializeJson(document);
}

} // namespace

int runInspect(Arguments arguments) {
    bool json = false;
    std::optional<std::chrono::seconds> timeout;
    std::optional<std::string> address;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--timeout") {
            if (index + 1 == arguments.size() || !(timeout = parseSeconds(arguments[index + 1]))) {
                return usageError(kUsage, "--timeout takes a whole number of seconds from 1 to 3600");
            }
            ++index;
        } else if (argument.starts_with("--") || address) {
            return usageError(kUsage, "unexpected argument '" + argument + "'");
        } else {
            address = argument;
        }
    }
    if (!address) {
        return usageError(kUsage, "missing URL");
    }
    if (!gtk_init_check()) {
        std::cerr << "orvanectl: inspect needs a display; on a server run it under xvfb-run\n";
        return kExitFailure;
    }

    auto inspection = newPageInspection();
    std::vector<FrameReport> frames;
    inspection::InspectionEngine engine(*inspection, {std::nullopt, timeout});
    engine.setFrameObserver([&frames](const FrameReport& frame) { frames.push_back(frame); });
    engine.inspect(*address);
    const auto& figures = inspection->figures();
    if (figures.state == InspectionFigures::State::Idle) {
        std::cerr << "orvanectl: " << figures.error << '\n';
        return kExitFailure;
    }
    // The engine's own time limit ends every load; this only guards against a view that hangs.
    const auto limit = timeout.value_or(PageInspection::kInspectionTimeout) + PageInspection::kDefaultTimeout;
    if (!runMainLoopUntil([&engine] { return engine.isDone(); }, limit)) {
        std::cerr << "orvanectl: the web view did not finish\n";
        return kExitFailure;
    }
    const bool failed = figures.error != " " && !figures.error.empty();
    const std::string shownAddress = inspection->inspectedAddress().value_or(*address);
    if (json) {
        auto text = jsonText(shownAddress, figures, frames);
        if (!text) {
            std::cerr << "orvanectl: the page's addresses are not valid UTF-8; use the plain output\n";
            return kExitFailure;
        }
        std::cout << *text << '\n';
    } else {
        std::cout << "ads\t" << count(figures.adsCount) << "\ntrackers\t" << count(figures.trackersCount)
                  << "\nwidgets\t" << count(figures.widgetCount) << "\nsize\t" << figures.pageSize << "\ntime\t"
                  << figures.time << '\n';
        if (failed) {
            std::cout << "error\t" << figures.error << '\n';
        }
    }
    return failed ? kExitFailure : kExitOk;
}

} // namespace orvane::cli
