// Start-up of the application to the first drawn frame of its main window, with the 50,000-rule
// catalog against an empty one. Each launch is a fresh process (this program with --launch),
// timed from the spawn to the child's word that the window has drawn its first frame; the two
// catalogs are launched in turn in every iteration, so both sides see the same machine.
// Run it on a display: tests/desktop/run-with-display.sh build/bin/startup_bench

#include "BenchSupport.h"

#include "app/LaunchSequence.h"
#include "app/OrvaneApplication.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <gdkmm/frameclock.h>
#include <gio/gio.h>

#include <chrono>
#include <cstdio>

using namespace orvane;
using namespace orvane::bench;

namespace {

// The child: runs the application and reports its first frame.
int launch() {
    logToNowhere();
    auto app = desktop::OrvaneApplication::create(Gio::Application::Flags::NON_UNIQUE);
    sigc::connection painted;
    app->signal_activate().connect(
        [&] {
            auto& window = app->delegate()->windowController().window();
            // After the window's own handler, which draws the frame.
            painted = window.get_frame_clock()->signal_paint().connect(
                [&] {
                    painted.disconnect();
                    std::fputs("drawn\n", stdout);
                    std::fflush(stdout);
                    app->quit();
                },
                true);
        },
        true);
    return app->run(0, nullptr);
}

// A home whose preinstalled list holds `rules` rules, on a machine that has launched before.
struct LaunchHome {
    explicit LaunchHome(std::size_t rules) {
        auto text = toJSONString(rules == 0 ? std::vector<Package>{} : generatePackages(rules, "bench"));
        writeFile(root.resources() / "PreinstalledPackages.json", *text);
        writeFile(root.shared() / "PreinstalledPackages.json", *text);
        prepare(false);
        environment = {"ORVANE_HOME=" + root.home().string(), "ORVANE_RESOURCES=" + root.resources().string()};
    }
    // A launch of a build that already ran, or the first launch of a new build, which installs
    // and loads the preinstalled list on the main thread before the window draws.
    void prepare(bool newBuild) const {
        UserDefaults defaults(root.home() / "Preferences" / "larkmoor.Blocker.json");
        defaults.set("launchedOnce", true);
        defaults.set(didLaunchOnceBuildKey(), !newBuild);
    }
    BenchHome root;
    std::vector<std::string> environment;
};

// Seconds from the spawn to the first frame.
double timeLaunch(const LaunchHome& home) {
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE);
    for (const auto& variable : home.environment) {
        const auto split = variable.find('=');
        g_subprocess_launcher_setenv(launcher, variable.substr(0, split).c_str(), variable.substr(split + 1).c_str(), TRUE);
    }
    // The start-up, not WebKit's compile of the catalog, which runs in a child process of its own.
    g_subprocess_launcher_setenv(launcher, "ORVANE_FILTER_COMPILER", "/bin/true", TRUE);
    g_subprocess_launcher_setenv(launcher, "ORVANE_CLOUD", "none", TRUE);
    const std::string self = (executableDirectory() / "startup_bench").string();
    const auto start = std::chrono::steady_clock::now();
    GSubprocess* child = g_subprocess_launcher_spawn(launcher, nullptr, self.c_str(), "--launch", nullptr);
    gchar* out = nullptr;
    g_subprocess_communicate_utf8(child, nullptr, nullptr, &out, nullptr, nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool drawn = out != nullptr && std::string(out).find("drawn") != std::string::npos;
    g_free(out);
    g_object_unref(child);
    g_object_unref(launcher);
    if (!drawn) {
        throw std::runtime_error("the application did not draw its window");
    }
    return seconds;
}

// state.range(0): 1 for the first launch of a new build, 0 for a build that ran before.
void BM_StartupToFirstFrame(benchmark::State& state) {
    const bool newBuild = state.range(0) == 1;
    LaunchHome empty(0);
    LaunchHome large(50000);
    double emptySeconds = 0;
    double largeSeconds = 0;
    for (auto _ : state) {
        empty.prepare(newBuild);
        emptySeconds += timeLaunch(empty);
        large.prepare(newBuild);
        largeSeconds += timeLaunch(large);
    }
    const double iterations = double(state.iterations());
    state.counters["empty_ms"] = 1000 * emptySeconds / iterations;
    state.counters["catalog_ms"] = 1000 * largeSeconds / iterations;
    state.counters["ratio"] = largeSeconds / emptySeconds;
}
BENCHMARK(BM_StartupToFirstFrame)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--launch") {
        return launch();
    }
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nstart-up to the first frame, 50,000-rule catalog / empty catalog (target under 1.5):\n"
                "  a build that ran before:       %.2f\n"
                "  the first launch of a build:   %.2f\n",
                reporter.counter("BM_StartupToFirstFrame/0/iterations:10", "ratio"),
                reporter.counter("BM_StartupToFirstFrame/1/iterations:10", "ratio"));
    return 0;
}
