#pragma once

// Shared pieces of the benchmarks: generated package files, a throw-away ORVANE_HOME and a
// reporter that keeps each benchmark's time so ratios can be printed from one run.

#include "model/JsonEncoding.h"
#include "model/Records.h"
#include "platform/AtomicFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::bench {

// `count` rules in the content-blocker style, spread over packages of at most 2,000 rules.
inline std::vector<Package> generatePackages(std::size_t count, const std::string& prefix, unsigned seed = 1) {
    std::mt19937 random(seed);
    const char* tlds[] = {"com", "net", "org", "io", "de", "co.uk"};
    const char* paths[] = {"ads", "banner", "track", "pixel", "analytics", "promo", "widget", "beacon"};
    std::vector<Package> packages;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 2000 == 0) {
            packages.push_back(Package{prefix + "-" + std::to_string(packages.size()),
                                       "Generated " + std::to_string(packages.size()), {}});
        }
        Trigger trigger;
        const std::string host = "host" + std::to_string(random() % 100000) + "\\." + tlds[random() % 6];
        switch (random() % 4) {
        case 0: trigger.urlFilter = "^https?://([^/]+\\.)?" + host + "[/:]"; break;
        case 1: trigger.urlFilter = "/" + std::string(paths[random() % 8]) + "/[0-9]+\\.gif"; break;
        case 2: trigger.urlFilter = host + "/" + paths[random() % 8] + "\\?id="; break;
        default: trigger.urlFilter = "^https?://" + host + "/" + paths[random() % 8]; break;
        }
        if (random() % 3 == 0) {
            trigger.loadType = std::vector<LoadType>{LoadType::ThirdParty};
        }
        if (random() % 5 == 0) {
            trigger.resourceTypes = std::vector<ResourceType>{ResourceType::Script, ResourceType::Image};
        }
        Action action{ActionType::Block, std::nullopt};
        if (random() % 10 == 0) {
            action = Action{ActionType::Hide, "#ad-" + std::to_string(i)};
        }
        packages.back().rules.push_back(
            Rule{prefix + "-rule-" + std::to_string(i), "Rule " + std::to_string(i), Blocker{trigger, action}});
    }
    return packages;
}

// A file a benchmark cannot run without: its text, or the run ends with a message.
inline std::string readFileOrExit(const std::filesystem::path& path) {
    auto text = readWholeFile(path);
    if (!text) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return *text;
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh ORVANE_HOME and resources folder for the run.
class BenchHome {
public:
    BenchHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        root_ = pattern;
        std::filesystem::create_directories(root_ / "home");
        std::filesystem::create_directories(root_ / "resources");
        ::setenv("ORVANE_HOME", (root_ / "home").c_str(), 1);
        ::setenv("ORVANE_RESOURCES", (root_ / "resources").c_str(), 1);
        ::setenv("ORVANE_CLOUD", "none", 1);
    }
    ~BenchHome() {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

    std::filesystem::path home() const { return root_ / "home"; }
    std::filesystem::path resources() const { return root_ / "resources"; }
    std::filesystem::path shared() const { return root_ / "home" / "SharedContainer"; }

private:
    std::filesystem::path root_;
};

// Keeps the real time per iteration and the counters of every benchmark, by name.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            seconds_[run.benchmark_name()] = run.GetAdjustedRealTime() * unitSeconds(run.time_unit);
            for (const auto& [name, counter] : run.counters) {
                counters_[run.benchmark_name() + "/" + name] = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double seconds(const std::string& name) const {
        auto it = seconds_.find(name);
        return it == seconds_.end() ? 0.0 : it->second;
    }
    // A counter a benchmark set, or 0 when there is none.
    double counter(const std::string& benchmark, const std::string& name) const {
        auto it = counters_.find(benchmark + "/" + name);
        return it == counters_.end() ? 0.0 : it->second;
    }

private:
    static double unitSeconds(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-9;
        case benchmark::kMicrosecond: return 1e-6;
        case benchmark::kMillisecond: return 1e-3;
        default: return 1.0;
        }
    }
    std::map<std::string, double> seconds_;
    std::map<std::string, double> counters_;
};

} // namespace orvane::bench
