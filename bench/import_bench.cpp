// Imports of large package files, each figure a ratio from one run:
//  - merging 100,000 new rules into an existing package against 50,000, and the same for rules
//    whose ids are all taken (fresh ids) but whose content differs: a merge that stays linear
//    gives about 2, a merge that scans the package for every rule about 4;
//  - reading and decoding the import file against a bare RapidJSON parse of it.

#include "BenchSupport.h"

#include "catalog/ImportFile.h"
#include "catalog/ImportMerge.h"
#include "platform/Log.h"

#include <rapidjson/document.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr std::size_t kRules = 50000;

// One package "X" holding every generated rule; with `takenIds`, each rule reuses the id of
// the rule that the catalog's "X" already holds.
Package importedPackage(std::size_t count, bool takenIds) {
    Package package{"X", "Imported", {}};
    for (auto& generated : generatePackages(count, "import")) {
        for (auto& rule : generated.rules) {
            if (takenIds) {
                rule.id = "held";
            }
            package.rules.push_back(std::move(rule));
        }
    }
    return package;
}

void merge(benchmark::State& state, bool takenIds) {
    const std::vector<Package> imported{importedPackage(static_cast<std::size_t>(state.range(0)), takenIds)};
    const std::vector<Package> custom{Package{"X", "Mine", {Rule{"held", "Held", Blocker{}}}}};
    for (auto _ : state) {
        std::vector<Package> configurable;
        std::vector<Package> editable = custom;
        auto outcome = mergeImport(configurable, editable, {}, imported);
        benchmark::DoNotOptimize(outcome.addedAnything());
    }
}

void BM_MergeNewRules(benchmark::State& state) { merge(state, false); }
void BM_MergeTakenIds(benchmark::State& state) { merge(state, true); }

std::filesystem::path importFile(const BenchHome& home) { return home.home() / "import.orvanepkg"; }

void BM_RapidJsonParse(benchmark::State& state, std::filesystem::path path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    const std::string text = contents.str();
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        benchmark::DoNotOptimize(document.IsArray());
    }
}

void BM_ReadImportFile(benchmark::State& state, std::filesystem::path path) {
    for (auto _ : state) {
        auto contents = readImportFile(path);
        benchmark::DoNotOptimize(contents->packages.size());
    }
}

} // namespace

BENCHMARK(BM_MergeNewRules)->Arg(kRules)->Arg(2 * kRules)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeTakenIds)->Arg(kRules)->Arg(2 * kRules)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    BenchHome home;
    logToNowhere();
    writeFile(importFile(home), *toJSONString(std::vector<Package>{importedPackage(2 * kRules, false)}));
    benchmark::RegisterBenchmark("BM_RapidJsonParse", BM_RapidJsonParse, importFile(home))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_ReadImportFile", BM_ReadImportFile, importFile(home))
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [&](const std::string& name) {
        const double single = reporter.seconds(name + "/" + std::to_string(kRules));
        return single > 0 ? reporter.seconds(name + "/" + std::to_string(2 * kRules)) / single : 0.0;
    };
    std::printf("\nmerge of %zu new rules / of %zu:            %.2f (linear: about 2)\n", 2 * kRules, kRules,
                ratio("BM_MergeNewRules"));
    std::printf("the same with every id taken:                    %.2f (linear: about 2)\n",
                ratio("BM_MergeTakenIds"));
    const double parse = reporter.seconds("BM_RapidJsonParse");
    if (parse > 0) {
        std::printf("read and decode / bare RapidJSON parse:          %.2f (target under 3)\n",
                    reporter.seconds("BM_ReadImportFile") / parse);
    }
    return 0;
}
