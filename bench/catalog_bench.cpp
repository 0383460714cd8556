// The catalog and output at scale, each figure a ratio from one run:
//  - loading and decoding a 50,000-rule preinstalled file against a bare RapidJSON parse;
//  - collecting the enabled blockers and writing "tmp.json" against WebKit's compile of it;
//  - peak memory of `orvanectl packages` over that catalog.

#include "BenchSupport.h"

#include "browser/ContentBlockerManager.h"
#include "catalog/DataManager.h"
#include "output/ContentBlockerFile.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"

#include <rapidjson/document.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
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

void BM_RapidJsonParse(benchmark::State& state) {
    const std::string text = readFile(PersistentStore::sharedPackagePath(PackageType::PreinstalledPackages));
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        benchmark::DoNotOptimize(document.IsArray());
    }
}

void BM_LoadPreinstalled(benchmark::State& state) {
    for (auto _ : state) {
        auto packages = PersistentStore::loadPackages(PackageType::PreinstalledPackages, true);
        benchmark::DoNotOptimize(packages->size());
    }
}

void BM_AssembleAndWrite(benchmark::State& state) {
    auto preferences = BlockerPreferenceManager::create();
    for (auto _ : state) {
        writeSafariJSON(preferences->enabledBlockers(preferences->disabledPackages(), preferences->disabledRules()));
    }
}

void BM_WebKitCompile(benchmark::State& state) {
    for (auto _ : state) {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<Error> failure;
        browser::ContentBlockerManager::reloadContentBlocker(browser::kContentBlockerIdentifier,
                                                             [&](std::optional<Error> error) {
                                                                 std::lock_guard lock(mutex);
                                                                 failure = std::move(error);
                                                                 finished = true;
                                                                 done.notify_all();
                                                             });
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return finished; });
        if (failure) {
            state.SkipWithError(failure->localizedDescription.c_str());
        }
    }
}

// Peak resident memory, in MB, of `orvanectl packages` over the generated catalog.
double orvanectlPeakMegabytes() {
    const auto program = executableDirectory() / "orvanectl";
    pid_t child = fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl(program.c_str(), "orvanectl", "--quiet", "packages", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace

BENCHMARK(BM_RapidJsonParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPreinstalled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssembleAndWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebKitCompile)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    BenchHome home;
    logToNowhere();
    const auto packages = generatePackages(kRules, "bench");
    writeFile(home.resources() / "PreinstalledPackages.json", *toJSONString(packages));
    PersistentStore::installPreinstalledPackages();
    DataManager::shared().reloadPreinstalledPackagesFromDisk();

    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double parse = reporter.seconds("BM_RapidJsonParse");
    const double load = reporter.seconds("BM_LoadPreinstalled");
    const double assemble = reporter.seconds("BM_AssembleAndWrite");
    const double compile = reporter.seconds("BM_WebKitCompile/iterations:1");
    std::printf("\n%zu rules\n", kRules);
    std::printf("load and decode / bare RapidJSON parse:      %.2f (target under 2)\n", load / parse);
    if (compile > 0) {
        std::printf("assembly and write / WebKit's compile:       %.2f%% (target under 2%%)\n",
                    100.0 * assemble / compile);
    }
    std::printf("peak memory of `orvanectl packages`:         %.1f MB (target under 100 MB)\n",
                orvanectlPeakMegabytes());
    return 0;
}
