// The system end to end through orvanectl: each change ends in a "tmp.json" that WebKit compiled.

#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <chrono>
#include <thread>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

class PipelineTest : public testing::Test {
protected:
    PipelineTest() {
        writeText(home.resources() / "PreinstalledPackages.json",
                  *toJSONString(std::vector<Package>{
                      makePackage("block-ads", "Ads", {blockRule("ads-1", "^https?://ads\\.example/")})}));
    }

    // The url filters of "tmp.json", in order.
    std::vector<std::string> writtenFilters() {
        std::vector<std::string> filters;
        auto document = parseJson(readText(home.shared() / "tmp.json"));
        if (!document || !document->IsArray()) {
            return {"<unreadable>"};
        }
        for (const auto& entry : document->GetArray()) {
            filters.emplace_back(entry["trigger"]["url-filter"].GetString());
        }
        return filters;
    }

    std::string add(const std::vector<std::string>& arguments) {
        auto result = orvanectl(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        while (!result.out.empty() && result.out.back() == '\n') {
            result.out.pop_back();
        }
        return result.out;
    }

    TempHome home;
};

} // namespace

TEST_F(PipelineTest, LaunchInstallsThePreinstalledFileAndPublishesIt) {
    auto result = orvanectl({"launch"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(home.shared() / "PreinstalledPackages.json"));
    EXPECT_EQ(writtenFilters(), std::vector<std::string>{"^https?://ads\\.example/"});
    EXPECT_NE(result.err.find("Going thru DidLaunchOnceBuild"), std::string::npos);

    result = orvanectl({"launch"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find("Going thru"), std::string::npos);
}

TEST_F(PipelineTest, EveryEditLeavesExactlyTheEnabledBlockersInCatalogOrder) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    const std::string url = add({"add", "block-url", "--url-filter", "tracker\\.js"});
    const std::string white = add({"add", "whitelist", "--domain", "good.example"});
    const std::string custom = add({"package", "new", "Mine"});
    const std::string mine = add({"add", custom, "block-url", "--url-filter", "mine"});
    EXPECT_EQ(writtenFilters(), (std::vector<std::string>{"^https?://ads\\.example/", "tracker\\.js", "mine", ".*"}));

    add({"add", "block-url", "--rule-id", url, "--url-filter", "edited\\.js"});
    EXPECT_EQ(writtenFilters(), (std::vector<std::string>{"^https?://ads\\.example/", "edited\\.js", "mine", ".*"}));

    ASSERT_EQ(orvanectl({"disable", "block-ads"}).exitCode, 0);
    ASSERT_EQ(orvanectl({"disable", custom, mine}).exitCode, 0);
    EXPECT_EQ(writtenFilters(), (std::vector<std::string>{"edited\\.js", ".*"}));

    ASSERT_EQ(orvanectl({"remove", "block-url", url}).exitCode, 0);
    ASSERT_EQ(orvanectl({"remove", "whitelist", white}).exitCode, 0);
    const auto placeholder = readText(home.shared() / "tmp.json");
    EXPECT_NE(placeholder.find("#s0a0l0a0v0a0t"), std::string::npos) << placeholder;

    ASSERT_EQ(orvanectl({"enable", custom, mine}).exitCode, 0);
    ASSERT_EQ(orvanectl({"enable", "block-ads"}).exitCode, 0);
    EXPECT_EQ(writtenFilters(), (std::vector<std::string>{"^https?://ads\\.example/", "mine"}));

    ASSERT_EQ(orvanectl({"package", "delete", custom}).exitCode, 0);
    EXPECT_EQ(writtenFilters(), std::vector<std::string>{"^https?://ads\\.example/"});
}

TEST_F(PipelineTest, AFilterWebKitRejectsSurfacesItsMessage) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    auto result = orvanectl({"add", "block-url", "--url-filter", "[unclosed"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("regular expression"), std::string::npos) << result.err;
}

TEST_F(PipelineTest, WatchReactsToTheExtensionsSignals) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    const std::string program = (std::filesystem::path(ORVANE_BIN_DIR) / "orvanectl").string();
    GError* error = nullptr;
    std::unique_ptr<GSubprocess, decltype(&g_object_unref)> watch(
        g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error, program.c_str(), "--quiet", "watch", nullptr),
        g_object_unref);
    ASSERT_TRUE(watch) << error->message;
    std::unique_ptr<GDataInputStream, decltype(&g_object_unref)> lines(
        g_data_input_stream_new(g_subprocess_get_stdout_pipe(watch.get())), g_object_unref);
    gchar* first = g_data_input_stream_read_line(lines.get(), nullptr, nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    g_free(first);

    auto waitFor = [&](const std::function<bool()>& condition) {
        for (int i = 0; i < 600 && !condition(); ++i) {
            std::this_thread::sleep_for(100ms);
        }
        return condition();
    };
    const auto groupDefaults = home.shared() / "Preferences" / "ZX3QW8TR5M.larkmoor.Blocker.json";

    ASSERT_EQ(orvanectl({"signal", "paused", "on"}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return readText(home.shared() / "tmp.json").find("#s0a0l0a0v0a0t") != std::string::npos; }));
    EXPECT_TRUE(waitFor([&] { return readText(groupDefaults).find("reloadTab") != std::string::npos; }));

    ASSERT_EQ(orvanectl({"signal", "paused", "off"}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return writtenFilters() == std::vector<std::string>{"^https?://ads\\.example/"}; }));

    // The extension rewrites the configurable file itself, then asks for a re-read.
    writeSharedPackages("ConfigurablePackages.json",
                        {makePackage("whitelist", "Whitelist"),
                         makePackage("block-url", "Block URLs", {blockRule("from-extension", "extension\\.js")})});
    ASSERT_EQ(orvanectl({"signal", "reloadRulesFromDisk"}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] {
        return writtenFilters() == std::vector<std::string>{"^https?://ads\\.example/", "extension\\.js"};
    }));

    g_subprocess_send_signal(watch.get(), SIGTERM);
    EXPECT_TRUE(g_subprocess_wait(watch.get(), nullptr, nullptr));
}
