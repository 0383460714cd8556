// A plain content-blocker list of 5,000 entries imported as one package with `orvanectl import`,
// against `orvanectl rebuild` of the same rules: both run as the user runs them, each ending in
// WebKit's compile of "tmp.json", and are timed in turn within each iteration, so a change in the
// machine's speed weighs on both alike. The import reads, converts and merges the list, saves the
// package files and then rebuilds; the target is under 2 times the rebuild.

#include "BenchSupport.h"

#include "platform/Locations.h"

#include <glib.h>

#include <chrono>
#include <cstdio>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr std::size_t kEntries = 5000;

// Entries as lists publish them, a few with the conditions no editor offers.
std::string generatedList() {
    std::vector<Blocker> entries;
    for (const auto& package : generatePackages(kEntries, "list")) {
        for (const auto& rule : package.rules) {
            Blocker entry = rule.blocker;
            const std::size_t i = entries.size();
            if (i % 7 == 0) {
                entry.trigger.topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {"^https://"}};
            } else if (i % 11 == 0) {
                entry.trigger.frameURLFilter = FrameURLFilter{FrameURLFilterType::UnlessFrameURL, {"player"}};
            }
            if (i % 13 == 0) {
                entry.trigger.resourceTypes = std::vector{ResourceType::ChildDocument, ResourceType::Ping};
            }
            entries.push_back(std::move(entry));
        }
    }
    return *toJSONString(entries);
}

// Runs orvanectl on the bench's home; answers the wall-clock seconds it took.
double orvanectl(std::vector<std::string> arguments) {
    const std::string program = (executableDirectory() / "orvanectl").string();
    std::vector<gchar*> argv{const_cast<gchar*>(program.c_str()), const_cast<gchar*>("--quiet")};
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    gint status = 0;
    GError* error = nullptr;
    const auto start = std::chrono::steady_clock::now();
    const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr,
                                  static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                                  nullptr, nullptr, nullptr, nullptr, &status, &error);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ran || !g_spawn_check_wait_status(status, nullptr)) {
        std::fprintf(stderr, "orvanectl %s failed%s%s\n", arguments.front().c_str(), error != nullptr ? ": " : "",
                     error != nullptr ? error->message : "");
        if (error != nullptr) {
            g_error_free(error);
        }
        return -1;
    }
    return seconds;
}

void BM_ImportAgainstRebuild(benchmark::State& state, const BenchHome* home, const std::string* list) {
    double import = 0;
    double rebuild = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A home that has started once, as the user's has.
        std::filesystem::remove_all(home->home());
        std::filesystem::create_directories(home->home());
        orvanectl({"packages"});
        const auto file = home->home() / "Downloads" / "Generated List.json";
        writeFile(file, *list);
        state.ResumeTiming();
        const double imported = orvanectl({"import", file.string()});
        const double rebuilt = orvanectl({"rebuild"});
        if (imported < 0 || rebuilt < 0) {
            state.SkipWithError("orvanectl failed");
            return;
        }
        import += imported;
        rebuild += rebuilt;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["import_s"] = import / iterations;
    state.counters["rebuild_s"] = rebuild / iterations;
    state.counters["ratio"] = import / rebuild;
}

} // namespace

int main(int argc, char** argv) {
    BenchHome home;
    // Imported files go to the Trash of the bench's own folder.
    ::setenv("HOME", home.home().parent_path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home.home().parent_path() / "data").c_str(), 1);
    writeFile(home.resources() / "PreinstalledPackages.json", *toJSONString(generatePackages(1, "preinstalled")));
    const std::string list = generatedList();
    benchmark::RegisterBenchmark("BM_ImportAgainstRebuild", BM_ImportAgainstRebuild, &home, &list)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string name = "BM_ImportAgainstRebuild/iterations:5";
    std::printf("\n%zu-entry list: import %.2f s, rebuild %.2f s\n", kEntries,
                reporter.counter(name, "import_s"), reporter.counter(name, "rebuild_s"));
    std::printf("import as one package / rebuild of the same rules: %.2f (target under 2)\n",
                reporter.counter(name, "ratio"));
    return 0;
}
