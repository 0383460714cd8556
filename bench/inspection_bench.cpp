// The page inspection against a bare web view: the same page of 300 resources (half of them
// ads from another host, on loopback sites reached through their proxy) loaded in turn by a
// WebKitWebView configured like the inspector's but with nothing of the inspection, and by the
// inspection, which runs until every figure is shown (counts, page size, time). Each side keeps
// its view across loads; the sites forbid caching, so every load fetches the whole page again.
// Run it on a display: tests/desktop/run-with-display.sh build/bin/inspection_bench

#include "BenchSupport.h"

#include "inspector/engine/InspectionEngine.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "support/InspectionSites.h"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <chrono>
#include <cstdio>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr const char* kPage = "http://many.test/";

// A view as the inspector makes one, without its script, its signals or anything it measures.
class BareView {
public:
    explicit BareView(const std::string& proxy) {
        WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
        WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy.c_str(), nullptr);
        webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
        webkit_network_proxy_settings_free(settings);
        WebKitWebContext* context = webkit_web_context_new();
        view_ = WEBKIT_WEB_VIEW(
            g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, "web-context", context, nullptr));
        g_object_ref_sink(view_);
        g_object_unref(context);
        g_object_unref(session);
        g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer done) {
                             if (event == WEBKIT_LOAD_FINISHED) {
                                 *static_cast<bool*>(done) = true;
                             }
                         }),
                         &finished_);
    }
    ~BareView() { g_object_unref(view_); }
    BareView(const BareView&) = delete;
    BareView& operator=(const BareView&) = delete;

    double load() {
        finished_ = false;
        const auto start = std::chrono::steady_clock::now();
        webkit_web_view_load_uri(view_, kPage);
        if (!runMainLoopUntil([this] { return finished_; }, std::chrono::seconds(60))) {
            throw std::runtime_error("the bare view did not finish");
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    WebKitWebView* view_;
    bool finished_ = false;
};

class Inspector {
public:
    explicit Inspector(const std::string& proxy)
        : inspection_(newPageInspection()), engine_(*inspection_, {proxy, std::nullopt}) {
        engine_.setFrameObserver([this](const FrameReport& frame) { resources_ = frame.resources.size(); });
    }

    double inspect() {
        const auto start = std::chrono::steady_clock::now();
        engine_.inspect(kPage);
        if (!runMainLoopUntil([this] { return engine_.isDone(); }, std::chrono::seconds(60)) ||
            inspection_->figures().adsCount != std::to_string(test::kManyResources / 2)) {
            throw std::runtime_error("the inspection did not finish with every ad counted: ads '" +
                                     inspection_->figures().adsCount + "', error '" + inspection_->figures().error +
                                     "', resources " + std::to_string(resources_));
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    std::unique_ptr<PageInspection> inspection_;
    inspection::InspectionEngine engine_;
    std::size_t resources_ = 0;
};

void BM_InspectionAgainstBareView(benchmark::State& state) {
    BenchHome home;
    std::filesystem::copy_file(std::filesystem::path(ORVANE_BUILD_RESOURCES) / "PreinstalledPackages.json",
                               home.resources() / "PreinstalledPackages.json");
    const auto sites = test::inspectionSites();
    BareView bare(sites->proxy());
    Inspector inspector(sites->proxy());
    // Web processes started and warm on both sides.
    bare.load();
    inspector.inspect();
    double bareSeconds = 0;
    double inspectedSeconds = 0;
    for (auto _ : state) {
        bareSeconds += bare.load();
        inspectedSeconds += inspector.inspect();
    }
    const double iterations = double(state.iterations());
    state.counters["bare_ms"] = 1000 * bareSeconds / iterations;
    state.counters["inspected_ms"] = 1000 * inspectedSeconds / iterations;
    state.counters["ratio"] = inspectedSeconds / bareSeconds;
}
BENCHMARK(BM_InspectionAgainstBareView)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!gtk_init_check()) {
        std::fputs("inspection_bench needs a display: tests/desktop/run-with-display.sh build/bin/inspection_bench\n",
                   stderr);
        return 1;
    }
    logToNowhere();
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\ninspection of a page of %d resources / the same page in a bare web view (target under 1.10): %.3f\n",
                test::kManyResources, reporter.counter("BM_InspectionAgainstBareView/iterations:10", "ratio"));
    return 0;
}
