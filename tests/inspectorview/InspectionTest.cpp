// Inspections of real pages in a WebKit view: the engine against the loopback sites, and
// `orvanectl inspect` over the same pages, whose counts `orvanectl classify` must confirm.

#include "inspector/engine/InspectionEngine.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "support/InspectionSites.h"
#include "support/Json.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;
using State = InspectionFigures::State;

namespace {

struct Outcome {
    InspectionFigures figures;
    std::vector<FrameReport> frames;
    std::vector<std::string> log;
    std::optional<std::string> inspectedHost;
    std::chrono::steady_clock::duration took{};
};

class Inspection : public ::testing::Test {
protected:
    void SetUp() override {
        gtk_init();
        // Preinstalled packages of known hosts, so the counts do not move with each version of EasyList.
        std::filesystem::copy_file(std::filesystem::path(ORVANE_TEST_DATA) / "inspector" / "PreinstalledPackages.json",
                                   home.resources() / "PreinstalledPackages.json");
    }

    Outcome inspect(const std::string& typed, std::optional<std::chrono::seconds> timeout = std::nullopt) {
        auto inspection = newPageInspection();
        inspection::InspectionEngine engine(*inspection, {sites->proxy(), timeout});
        Outcome outcome;
        engine.setFrameObserver([&outcome](const FrameReport& frame) { outcome.frames.push_back(frame); });
        const LogCapture log;
        const auto started = std::chrono::steady_clock::now();
        engine.inspect(typed);
        EXPECT_TRUE(runMainLoopUntil([&engine] { return engine.isDone(); }, 60s)) << typed;
        outcome.took = std::chrono::steady_clock::now() - started;
        outcome.figures = inspection->figures();
        outcome.log = log.lines();
        outcome.inspectedHost = inspection->hostBeingInspected();
        return outcome;
    }

    // What orvanectl classify makes of the resources from other hosts that the frames reported.
    static std::vector<int> classified(const std::vector<FrameReport>& frames) {
        std::string input;
        for (const auto& frame : frames) {
            for (const auto& resource : resourcesFromOtherHosts(frame)) {
                input += resource.url + "=" + std::to_string(resource.bytes) + "\n";
            }
        }
        const auto result = orvanectl({"classify", "--json"}, input);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const auto document = parsed(result.out);
        const auto& totals = document["totals"];
        return {totals["ad"]["count"].GetInt(), totals["tracker"]["count"].GetInt(),
                totals["widget"]["count"].GetInt()};
    }

    static std::string described(const std::vector<FrameReport>& frames) {
        std::string text;
        for (const auto& frame : frames) {
            text += "frame " + frame.frameURL + "\n";
            for (const auto& resource : frame.resources) {
                text += "  " + resource.url + " " + std::to_string(resource.bytes) + "\n";
            }
        }
        return text;
    }

    static std::vector<int> shown(const InspectionFigures& figures) {
        return {std::stoi(figures.adsCount), std::stoi(figures.trackersCount), std::stoi(figures.widgetCount)};
    }

    TempHome home;
    std::unique_ptr<LoopbackSites> sites = inspectionSites();
};

} // namespace

TEST_F(Inspection, APageWithAFrameFromAnotherHostAddsBothFramesCounts) {
    const Outcome outcome = inspect("http://news.test/");
    EXPECT_EQ(outcome.figures.state, State::Finished);
    EXPECT_EQ(outcome.figures.error, " ");
    EXPECT_EQ(shown(outcome.figures), (std::vector<int>{2, 1, 2})) << described(outcome.frames);
    EXPECT_EQ(shown(outcome.figures), classified(outcome.frames));
    ASSERT_EQ(outcome.frames.size(), 2u) << described(outcome.frames);
    EXPECT_NE(outcome.figures.pageSize.find("kB"), std::string::npos) << outcome.figures.pageSize;
    EXPECT_TRUE(outcome.figures.time.ends_with(" sec")) << outcome.figures.time;
    // Sizes come from the data the view holds: a PNG of 67 bytes, whatever the page measured.
    for (const auto& frame : outcome.frames) {
        for (const auto& resource : frame.resources) {
            if (resource.url.ends_with(".png")) {
                EXPECT_EQ(resource.bytes, 67u) << resource.url;
            }
        }
    }
}

TEST_F(Inspection, APageOfItsOwnHostsCountsNothing) {
    const Outcome outcome = inspect("http://own.test/");
    EXPECT_EQ(outcome.figures.state, State::Finished);
    EXPECT_EQ(shown(outcome.figures), (std::vector<int>{0, 0, 0}));
    ASSERT_EQ(outcome.frames.size(), 1u);
    EXPECT_EQ(outcome.frames[0].resources.size(), 3u);
}

TEST_F(Inspection, AnUntrustedCertificateIsRetriedOverHttp) {
    const Outcome outcome = inspect("secure.test");
    EXPECT_EQ(outcome.log, (std::vector<std::string>{"HTTPS load failed", "Retrying with HTTP schema"}));
    EXPECT_EQ(outcome.figures.state, State::Finished);
    EXPECT_EQ(outcome.figures.error, " ");
    EXPECT_EQ(shown(outcome.figures), (std::vector<int>{1, 0, 0}));
    ASSERT_EQ(outcome.frames.size(), 1u);
    EXPECT_EQ(outcome.frames[0].frameURL, "http://secure.test/");
}

TEST_F(Inspection, AMainFrameRedirectMakesTheNewHostTheInspectedOne) {
    const Outcome outcome = inspect("http://hop.test/");
    EXPECT_EQ(outcome.inspectedHost, "land.test");
    EXPECT_NE(std::find(outcome.log.begin(), outcome.log.end(), "redirecting to land.test"), outcome.log.end());
    EXPECT_EQ(outcome.figures.state, State::Finished);
    EXPECT_EQ(shown(outcome.figures), (std::vector<int>{0, 1, 0}));
}

TEST_F(Inspection, FailuresOfTheInspectedHostEndItWithWebKitsMessage) {
    // The page never answers: the time limit ends the inspection (shortened from 15 s here).
    const Outcome slow = inspect("http://slow.test/", 2s);
    EXPECT_EQ(slow.figures.error, "Error: Request timed out");
    EXPECT_EQ(slow.figures.state, State::Finished);
    EXPECT_GE(slow.took, 2s);
    EXPECT_LT(slow.took, 10s);

    // An HTTPS address of a site that has none: the proxy refuses the tunnel.
    const Outcome refused = inspect("https://own.test/");
    EXPECT_EQ(refused.figures.state, State::Finished);
    EXPECT_TRUE(refused.figures.error.starts_with("Error: ")) << refused.figures.error;
    EXPECT_GT(refused.figures.error.size(), std::string("Error: ").size());
}

TEST_F(Inspection, OrvanectlInspectPrintsWhatTheInspectorShows) {
    const Environment proxy{{"http_proxy", sites->proxy()}, {"https_proxy", sites->proxy()}};
    const auto plain = orvanectl({"inspect", "http://news.test/"}, "", proxy);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_TRUE(plain.out.starts_with("ads\t2\ntrackers\t1\nwidgets\t2\nsize\t")) << plain.out;
    EXPECT_NE(plain.out.find(" sec\n"), std::string::npos) << plain.out;

    const auto json = orvanectl({"inspect", "own.test", "--json", "--timeout", "5"}, "", proxy);
    // own.test has no HTTPS: the address gets "https://", and the proxy refuses the tunnel.
    EXPECT_EQ(json.exitCode, 1);
    const auto document = parsed(json.out);
    ASSERT_TRUE(document.IsObject()) << json.out << json.err;
    EXPECT_EQ(std::string(document["url"].GetString()), "https://own.test");
    EXPECT_TRUE(document["error"].IsString());

    const auto invalid = orvanectl({"inspect", "news .test"}, "", proxy);
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_NE(invalid.err.find("Error: Entered value is not a valid URL"), std::string::npos) << invalid.err;
    EXPECT_NE(invalid.err.find("Entered value is not a valid URL: news .test."), std::string::npos) << invalid.err;
}
