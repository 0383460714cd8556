// The system end to end through orvanectl: each change ends in a "tmp.json" that WebKit compiled.

#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "support/Fixtures.h"
#include "support/ReadOnlyFolder.h"
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

TEST_F(PipelineTest, ARuleWebKitRefusesIsNotAddedAndOnePlantedOnDiskIsNamedWithTheCommandThatDisablesIt) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    auto refused = orvanectl({"--quiet", "add", "block-url", "--url-filter", "ads{2}"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "The URL filter uses \"{2}\", which content blockers do not support\n");
    EXPECT_EQ(orvanectl({"rules", "block-url"}).out, "");

    writeText(home.shared() / "CustomPackages.json",
              *toJSONString(std::vector<Package>{makePackage(
                  "mine", "My rules", {blockRule("good", "good\\.js"), blockRule("bad", "ad|banner", "Either")})}));
    auto rebuild = orvanectl({"--quiet", "rebuild"});
    EXPECT_EQ(rebuild.exitCode, 1);
    EXPECT_EQ(rebuild.err,
              "WebKit refuses the rule \"Either\" of the package \"My rules\": Invalid or unsupported regular "
              "expression. The URL filter uses \"|\", which content blockers do not support. Disable the rule to "
              "have the other rules applied again.\nTo disable the rule: orvanectl disable mine bad\n");

    auto disabled = orvanectl({"disable", "mine", "bad"});
    EXPECT_EQ(disabled.exitCode, 0) << disabled.err;
    auto again = orvanectl({"rebuild"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(writtenFilters(), (std::vector<std::string>{"^https?://ads\\.example/", "good\\.js"}));
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

TEST_F(PipelineTest, ADisabledContentBlockerIsReportedAndLeavesTheFileAlone) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    const std::string before = readText(home.shared() / "tmp.json");
    ASSERT_EQ(orvanectl({"extension", "disable"}).exitCode, 0);
    auto status = orvanectl({"extension", "status", "larkmoor.BlockerMac.BlockerMacExtension"});
    EXPECT_EQ(status.out, "larkmoor.BlockerMac.BlockerMacExtension\tdisabled\n");

    auto rebuild = orvanectl({"rebuild"});
    EXPECT_EQ(rebuild.exitCode, 1);
    EXPECT_NE(rebuild.err.find("Error reloading Safari content blocker: it's disabled in Settings"), std::string::npos);
    auto add = orvanectl({"add", "block-url", "--url-filter", "more"});
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_EQ(readText(home.shared() / "tmp.json"), before);

    ASSERT_EQ(orvanectl({"extension", "enable"}).exitCode, 0);
    auto again = orvanectl({"rebuild"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "Reloaded\n");
    EXPECT_EQ(writtenFilters(), (std::vector<std::string>{"^https?://ads\\.example/", "more"}));
}

TEST_F(PipelineTest, RefusedInputAndUnwritableFilesChangeNothing) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    add({"add", "block-url", "--url-filter", "tracker\\.js"});
    const auto groupDefaults = home.shared() / "Preferences" / "ZX3QW8TR5M.larkmoor.Blocker.json";
    const auto state = [&] {
        return readText(home.shared() / "ConfigurablePackages.json") + readText(home.shared() / "CustomPackages.json") +
               readText(home.shared() / "tmp.json") + readText(groupDefaults);
    };
    const std::string before = state();

    auto badName = orvanectl({"package", "new", "bad\xffname"});
    EXPECT_EQ(badName.exitCode, 1);
    EXPECT_NE(badName.err.find("The package name is not valid text"), std::string::npos) << badName.err;
    EXPECT_EQ(orvanectl({"add", "block-url", "--name", "caf\xc3"}).exitCode, 2);
    EXPECT_EQ(state(), before);

    {
        ReadOnlyFolder readOnly(home.shared());
        if (!readOnly.holds()) {
            GTEST_SKIP() << "this file system cannot make a folder read-only";
        }
        auto unwritable = orvanectl({"add", "block-url", "--url-filter", "more\\.js"});
        EXPECT_EQ(unwritable.exitCode, 1);
        EXPECT_NE(unwritable.err.find("Your changes could not be saved. Could not write ConfigurablePackages.json"),
                  std::string::npos)
            << unwritable.err;
        EXPECT_EQ(unwritable.out, "");
    }
    EXPECT_EQ(state(), before);

    // A configurable package that is none of the five kinds takes no rules.
    writeSharedPackages("ConfigurablePackages.json", {makePackage("whitelist", "Whitelist"),
                                                      makePackage("stray", "Not a kind of rule")});
    auto stray = orvanectl({"add", "stray", "--url-filter", "x"});
    EXPECT_EQ(stray.exitCode, 1);
    EXPECT_NE(stray.err.find("not one of the five kinds"), std::string::npos) << stray.err;
}

TEST_F(PipelineTest, ListingsShowSectionsCountsAndTheRuleListsSearch) {
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    const std::string first = add({"add", "hide-elements", "--name", "Hide BANNERS", "--selector", ".banner"});
    add({"add", "hide-elements", "--selector", "#promo", "--if-domain", "--domain", "news.example"});
    add({"add", "hide-elements", "--selector", "#other", "--name", "Unrelated"});
    ASSERT_EQ(orvanectl({"disable", "hide-elements", first}).exitCode, 0);

    auto packages = orvanectl({"packages", "--json"});
    ASSERT_EQ(packages.exitCode, 0);
    auto list = parseJson(packages.out);
    ASSERT_TRUE(list && list->IsArray());
    const auto& ads = (*list)[0];
    EXPECT_STREQ(ads["id"].GetString(), "block-ads");
    EXPECT_STREQ(ads["section"].GetString(), "preinstalled");
    bool sawHide = false;
    for (const auto& package : list->GetArray()) {
        if (std::string(package["id"].GetString()) == "hide-elements") {
            sawHide = true;
            EXPECT_STREQ(package["section"].GetString(), "configurable");
            EXPECT_EQ(package["rules"].GetInt(), 3);
            EXPECT_EQ(package["disabledRules"].GetInt(), 1);
            EXPECT_TRUE(package["enabled"].GetBool());
        }
    }
    EXPECT_TRUE(sawHide);
    EXPECT_STREQ((*list)[list->Size() - 1]["id"].GetString(), "whitelist");

    auto found = orvanectl({"rules", "hide-elements", "--search", "banners"});
    EXPECT_EQ(found.out.substr(0, first.size()), first);
    EXPECT_EQ(std::count(found.out.begin(), found.out.end(), '\n'), 1);
    auto byDomain = orvanectl({"rules", "hide-elements", "--search", "NEWS", "--json"});
    auto rules = parseJson(byDomain.out);
    ASSERT_TRUE(rules && rules->IsArray() && rules->Size() == 1u);
    EXPECT_EQ(std::string((*rules)[0]["description"].GetString()),
              "Hide page elements with CSS selector \"#promo\" on a page with URL matching the pattern: .*\n"
              "The blocker only applies for news.example.");
    auto disabled = orvanectl({"rules", "hide-elements", "--filter", "disabled"});
    EXPECT_EQ(std::count(disabled.out.begin(), disabled.out.end(), '\n'), 1);
    EXPECT_NE(disabled.out.find("\tdisabled\t"), std::string::npos);
}
