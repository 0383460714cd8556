// The catalog and output at scale, each figure a ratio from one run:
//  - loading and decoding a 50,000-rule preinstalled file against a bare RapidJSON parse, both on
//    a heap that keeps the memory it was given and both on memory fresh from the system;
//  - collecting the enabled blockers and writing "tmp.json" against WebKit's compile of it, in the
//    same two states;
//  - peak memory of `orvanectl packages` over that catalog.

#include "BenchSupport.h"

#include "browser/ContentBlockerManager.h"
#include "catalog/DataManager.h"
#include "output/ContentBlockerFile.h"
#include "output/EnabledBlockers.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"

#include <rapidjson/document.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr std::size_t kRules = 50000;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

// Whether freed memory goes back to the system is glibc's call, made by thresholds that move with
// the history of the process: one side of a ratio could run on memory the heap kept while the
// other pays a page fault for every page. Both sides are measured in both states instead.
enum HeapState : std::int64_t { kKeptMemory = 0, kFreshMemory = 1 };

// Fixed thresholds: the heap keeps what is freed until told otherwise.
void fixHeapThresholds() {
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
}

void startIteration(benchmark::State& state) {
    if (state.range(0) == kFreshMemory) {
        state.PauseTiming();
        ::malloc_trim(0);
        state.ResumeTiming();
    }
}

// The two sides of the loading ratio are timed in turn within each iteration, so that a change in
// the machine's speed during the run weighs on both alike.
void BM_LoadAgainstParse(benchmark::State& state) {
    fixHeapThresholds();
    const std::string text = readFile(PersistentStore::sharedPackagePath(PackageType::PreinstalledPackages));
    const auto timed = [&](const auto& work) {
        if (state.range(0) == kFreshMemory) {
            ::malloc_trim(0);
        }
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double parse = 0;
    double load = 0;
    for (auto _ : state) {
        parse += timed([&] {
            rapidjson::Document document;
            document.Parse(text.data(), text.size());
            benchmark::DoNotOptimize(document.IsArray());
        });
        load += timed([] {
            auto packages = PersistentStore::loadPackages(PackageType::PreinstalledPackages, true);
            benchmark::DoNotOptimize(packages->size());
        });
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["parse_ms"] = 1000.0 * parse / iterations;
    state.counters["load_ms"] = 1000.0 * load / iterations;
    state.counters["ratio"] = load / parse;
}

void BM_AssembleAndWrite(benchmark::State& state) {
    fixHeapThresholds();
    auto preferences = BlockerPreferenceManager::create();
    for (auto _ : state) {
        startIteration(state);
        if (!writeSafariJSON(enabledBlockers(preferences->disabledPackages(), preferences->disabledRules()).list())) {
            state.SkipWithError("tmp.json could not be written");
        }
    }
}

void BM_WebKitCompile(benchmark::State& state) {
    for (auto _ : state) {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<browser::BrowserError> failure;
        browser::ContentBlockerManager::reloadContentBlocker(browser::kContentBlockerIdentifier,
                                                             [&](std::optional<browser::BrowserError> error) {
                                                                 std::lock_guard lock(mutex);
                                                                 failure = std::move(error);
                                                                 finished = true;
                                                                 done.notify_all();
                                                             });
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return finished; });
        if (failure) {
            state.SkipWithError(failure->message.c_str());
        }
    }
}

// Peak resident memory, in MB, of `orvanectl packages` over the generated catalog. A child counts
// the pages it inherits at fork, so the child is forked while this process is still small and
// only starts the program when asked.
class OrvanectlPeakMemory {
public:
    OrvanectlPeakMemory() {
        int ends[2];
        if (::pipe(ends) != 0) {
            return;
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ends[1]);
            char go = 0;
            if (::read(ends[0], &go, 1) != 1) {
                _exit(0);
            }
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            const auto program = executableDirectory() / "orvanectl";
            ::execl(program.c_str(), "orvanectl", "--quiet", "packages", static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(ends[0]);
        go_ = ends[1];
    }
    ~OrvanectlPeakMemory() {
        if (go_ >= 0) {
            ::close(go_);
            ::waitpid(child_, nullptr, 0);
        }
    }
    OrvanectlPeakMemory(const OrvanectlPeakMemory&) = delete;
    OrvanectlPeakMemory& operator=(const OrvanectlPeakMemory&) = delete;

    // Negative when the program could not be run or failed.
    double measure() {
        if (go_ < 0 || child_ < 0) {
            return -1.0;
        }
        const char go = 1;
        const bool started = ::write(go_, &go, 1) == 1;
        ::close(go_);
        go_ = -1;
        int status = 0;
        rusage usage{};
        ::wait4(child_, &status, 0, &usage);
        if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return -1.0;
        }
        return static_cast<double>(usage.ru_maxrss) / 1024.0;
    }

private:
    pid_t child_ = -1;
    int go_ = -1;
};

} // namespace

BENCHMARK(BM_AssembleAndWrite)->ArgName("fresh")->Arg(kKeptMemory)->Arg(kFreshMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebKitCompile)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK(BM_LoadAgainstParse)
    ->ArgName("fresh")
    ->Arg(kKeptMemory)
    ->Arg(kFreshMemory)
    ->MinTime(3.0)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    BenchHome home;
    OrvanectlPeakMemory orvanectlPeak;
    logToNowhere();
    const auto packages = generatePackages(kRules, "bench");
    writeFile(home.resources() / "PreinstalledPackages.json", *toJSONString(packages));
    PersistentStore::installPreinstalledPackages();
    DataManager::shared().reloadPreinstalledPackagesFromDisk();

    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double loadKept = reporter.counter("BM_LoadAgainstParse/fresh:0/min_time:3.000", "ratio");
    const double loadFresh = reporter.counter("BM_LoadAgainstParse/fresh:1/min_time:3.000", "ratio");
    const double assembleKept = reporter.seconds("BM_AssembleAndWrite/fresh:0");
    const double assembleFresh = reporter.seconds("BM_AssembleAndWrite/fresh:1");
    const double compile = reporter.seconds("BM_WebKitCompile/iterations:1");
    std::printf("\n%zu rules\n", kRules);
    if (loadKept > 0 && loadFresh > 0) {
        std::printf("load and decode / bare RapidJSON parse:      %.2f on kept memory, %.2f on fresh memory "
                    "(target under 2)\n",
                    loadKept, loadFresh);
    }
    if (compile > 0) {
        std::printf("assembly and write / WebKit's compile:       %.2f%% on kept memory, %.2f%% on fresh memory "
                    "(target under 2%%)\n",
                    100.0 * assembleKept / compile, 100.0 * assembleFresh / compile);
    }
    std::printf("peak memory of `orvanectl packages`:         %.1f MB (target under 100 MB)\n",
                orvanectlPeak.measure());
    return 0;
}
