// Classification of third-party URLs by 30,000 content-blocker patterns: the set matcher of
// ResourceFilter against the one-by-one search it replaces, in one run, and a sweep of its
// tuning. Times are CPU times of this thread; the ratios at the end are what to compare.
//
//   build/bin/classification_bench                 the comparison and the sweep (about a minute)
//   build/bin/classification_bench --verify-all    also checks every URL against the one-by-one
//                                                  search first (several minutes)

#include "ClassificationCorpus.h"

#include "inspector/ResourceFilter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace orvane;

constexpr std::size_t kBlockingRules = 30000;
constexpr std::size_t kUrls = 10000;
// The one-by-one search takes tens of milliseconds per URL; a spread sample of the corpus says
// enough about it.
constexpr std::size_t kSequentialSample = 100;
// The sweep builds a filter per setting and warms it on part of the corpus.
constexpr std::size_t kSweepUrls = 2000;

const corpus::ClassificationCorpus& benchmarkCorpus() {
    static const corpus::ClassificationCorpus instance = corpus::makeClassificationCorpus(kBlockingRules, kUrls);
    return instance;
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::size_t classifyAll(const ResourceFilter& filter, const std::vector<std::string>& urls, std::size_t count) {
    std::size_t blocked = 0;
    for (std::size_t i = 0; i < count; ++i) {
        blocked += filter.classify(urls[i]) != ResourceFilter::Result::None ? 1 : 0;
    }
    return blocked;
}

void perUrl(benchmark::State& state, std::size_t urls) {
    state.counters["urls"] = static_cast<double>(urls);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * urls));
}

void BM_BuildFilter(benchmark::State& state) {
    for (auto _ : state) {
        const ResourceFilter filter(benchmarkCorpus().preinstalled);
        benchmark::DoNotOptimize(&filter);
    }
}
BENCHMARK(BM_BuildFilter)->Iterations(1)->Unit(benchmark::kMillisecond);

// What a new inspector pays: every DFA state is built on the way.
void BM_SetFirstPass(benchmark::State& state) {
    const auto& corpus = benchmarkCorpus();
    const ResourceFilter filter(corpus.preinstalled);
    for (auto _ : state) {
        benchmark::DoNotOptimize(classifyAll(filter, corpus.urls, corpus.urls.size()));
    }
    perUrl(state, corpus.urls.size());
}
BENCHMARK(BM_SetFirstPass)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SetWarm(benchmark::State& state) {
    const auto& corpus = benchmarkCorpus();
    const ResourceFilter filter(corpus.preinstalled);
    classifyAll(filter, corpus.urls, corpus.urls.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(classifyAll(filter, corpus.urls, corpus.urls.size()));
    }
    perUrl(state, corpus.urls.size());
}
BENCHMARK(BM_SetWarm)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_Sequential(benchmark::State& state) {
    const auto& corpus = benchmarkCorpus();
    const corpus::SequentialClassifier reference(corpus.preinstalled);
    const ResourceFilter filter(corpus.preinstalled);
    const std::size_t stride = corpus.urls.size() / kSequentialSample;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kSequentialSample; ++i) {
            benchmark::DoNotOptimize(reference.classify(corpus.urls[i * stride]));
        }
    }
    for (std::size_t i = 0; i < kSequentialSample; ++i) {
        if (reference.classify(corpus.urls[i * stride]) != filter.classify(corpus.urls[i * stride])) {
            state.SkipWithError(("answers differ on " + corpus.urls[i * stride]).c_str());
            return;
        }
    }
    perUrl(state, kSequentialSample);
}
BENCHMARK(BM_Sequential)->Iterations(1)->Unit(benchmark::kMillisecond);

// Arguments: patterns per set, megabytes per set or alternation, hosts per alternation. Reports
// the first pass over part of the corpus as a counter and times a second, warm pass.
void BM_SetSize(benchmark::State& state) {
    const auto& corpus = benchmarkCorpus();
    const PatternSet::Tuning tuning{static_cast<std::size_t>(state.range(0)), state.range(1) << 20,
                                    static_cast<std::size_t>(state.range(2))};
    const ResourceFilter filter(corpus.preinstalled, tuning);
    const double start = threadSeconds();
    classifyAll(filter, corpus.urls, kSweepUrls);
    state.counters["first_pass_ms_per_url"] = (threadSeconds() - start) * 1e3 / kSweepUrls;
    for (auto _ : state) {
        benchmark::DoNotOptimize(classifyAll(filter, corpus.urls, kSweepUrls));
    }
    perUrl(state, kSweepUrls);
}
BENCHMARK(BM_SetSize)
    ->ArgNames({"patterns", "MB", "hosts"})
    ->Args({250, 16, 2000})
    ->Args({500, 16, 2000})
    ->Args({1000, 8, 2000})
    ->Args({1000, 16, 2000})
    ->Args({2000, 16, 2000})
    ->Args({2000, 32, 2000})
    ->Args({4000, 32, 2000})
    ->Args({1000, 16, 500})
    ->Args({1000, 16, 8000})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// Prints the usual table and keeps the CPU time per URL of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto urls = run.counters.find("urls");
            if (!run.error_occurred && urls != run.counters.end() && run.iterations > 0) {
                perUrlSeconds_[run.run_name.function_name] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations) / urls->second.value;
            }
        }
    }

    void printRatios() const {
        const auto sequential = perUrlSeconds_.find("BM_Sequential");
        if (sequential == perUrlSeconds_.end()) {
            return;
        }
        for (std::string_view name : {"BM_SetWarm", "BM_SetFirstPass"}) {
            auto set = perUrlSeconds_.find(std::string(name));
            if (set != perUrlSeconds_.end()) {
                std::printf("one-by-one %.3f ms per URL, %s %.4f ms per URL: %.0f times faster\n",
                            sequential->second * 1e3, set->first.c_str(), set->second * 1e3,
                            sequential->second / set->second);
            }
        }
    }

private:
    std::map<std::string, double> perUrlSeconds_;
};

// Every URL of the corpus, set matcher against the one-by-one search. Answers the mismatches.
std::size_t verifyAll() {
    const auto& corpus = benchmarkCorpus();
    const corpus::SequentialClassifier reference(corpus.preinstalled);
    const ResourceFilter filter(corpus.preinstalled);
    std::size_t mismatches = 0;
    std::map<ResourceFilter::Result, std::size_t> categories;
    for (const std::string& url : corpus.urls) {
        const auto expected = reference.classify(url);
        ++categories[expected];
        if (filter.classify(url) != expected) {
            ++mismatches;
            std::printf("mismatch: %s\n", url.c_str());
        }
    }
    std::printf("verified %zu URLs against %zu blocking rules: %zu ad, %zu tracker, %zu widget, %zu none, "
                "%zu mismatches\n",
                corpus.urls.size(), corpus.blockingRuleCount, categories[ResourceFilter::Result::Ad],
                categories[ResourceFilter::Result::Tracker], categories[ResourceFilter::Result::Widget],
                categories[ResourceFilter::Result::None], mismatches);
    return mismatches;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments(argv, argv + argc);
    const auto verify = std::find_if(arguments.begin(), arguments.end(),
                                     [](const char* argument) { return std::string_view(argument) == "--verify-all"; });
    const bool verifyFirst = verify != arguments.end();
    if (verifyFirst) {
        arguments.erase(verify);
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 2;
    }
    if (verifyFirst && verifyAll() != 0) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
