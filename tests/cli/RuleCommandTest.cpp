#include "model/JsonDecoding.h"
#include "support/Json.h"
#include "support/Orvanectl.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::isUpperCaseUUID;
using orvane::test::parsed;
using orvane::test::runOrvanectl;
using orvane::test::ToolRun;

namespace {

using Args = std::vector<std::string>;

// The rule printed by a successful `rule build`.
Rule builtRule(const Args& arguments) {
    Args all{"rule", "build"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    ToolRun run = runOrvanectl(all);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "not one line: " << run.out;
    return ruleFromJSON(parsed(run.out)).value_or(Rule{});
}

} // namespace

TEST(RuleCommand, BuildPrintsTheStorageFormOfTheEditorsRule) {
    Rule url = builtRule({"block-url",   "--url-filter",
                          "ads",         "--resource-type",
                          "style-sheet", "--resource-type",
                          "script",      "--load-type",
                          "third-party", "--unless-domain",
                          "--domain",    "a.example",
                          "--domain",    "",
                          "--domain",    "*b.example",
                          "--id",        "R1",
                          "--name",      "Ads"});
    EXPECT_EQ(url, (Rule{"R1", "Ads",
                         Blocker{Trigger{"ads", true, std::vector{ResourceType::Script, ResourceType::StyleSheet},
                                         std::vector{LoadType::ThirdParty},
                                         DomainFilter{DomainFilterType::UnlessDomain, {"a.example", "b.example"}}},
                                 Action{ActionType::Block, {}}}}));

    Rule allTypes =
        builtRule({"block-url", "--url-filter",    "x",           "--resource-type", "document",     "--resource-type",
                   "image",     "--resource-type", "style-sheet", "--resource-type", "script",       "--resource-type",
                   "font",      "--resource-type", "raw",         "--resource-type", "svg-document", "--resource-type",
                   "media",     "--resource-type", "popup"});
    EXPECT_EQ(allTypes.blocker.trigger.resourceTypes, std::nullopt);
    EXPECT_TRUE(isUpperCaseUUID(allTypes.id));

    // Without --if-domain or --unless-domain the rows are ignored, however bad.
    Rule cookies = builtRule({"block-cookies", "--domain", "bad"});
    EXPECT_EQ(cookies.blocker.trigger.domainFilter, std::nullopt);
    EXPECT_EQ(cookies.blocker.trigger.loadType, std::vector<LoadType>{});
    EXPECT_EQ(cookies.name, "Block Cookies");

    Rule hide = builtRule(
        {"hide-elements", "--selector", "div#links", "--if-domain", "--domain", "a.example", "--include-subdomains"});
    EXPECT_EQ(hide.blocker.action, (Action{ActionType::Hide, "div#links"}));
    EXPECT_EQ(hide.blocker.trigger.domainFilter, (DomainFilter{DomainFilterType::IfDomain, {"*a.example"}}));

    EXPECT_EQ(builtRule({"make-https", "--domain", "a.example", "--domain", "b.example"}).name,
              "Make 2 domains HTTPS-only");
    EXPECT_EQ(builtRule({"whitelist", "--domain", "a.example"}).blocker.action.type, ActionType::IgnorePreviousRules);
}

TEST(RuleCommand, BuildFailuresPrintTheMessageAloneAndExitOne) {
    const std::vector<std::pair<Args, std::string>> cases{
        {{"block-url"}, "URL is empty"},
        {{"block-url", "--url-filter", "*ads*", "--if-domain"}, "Invalid URL filter. Please use regular expressions."},
        {{"block-url", "--url-filter", "ads", "--if-domain", "--domain", ""}, "Domain list is empty"},
        {{"block-cookies", "--unless-domain", "--domain", "*"}, "Domain field is empty"},
        {{"hide-elements", "--if-domain", "--domain", "a.example"}, "CSS Selector is empty"},
        {{"whitelist", "--domain", "a.example", "--domain", "a?b.example"}, "Invalid domain: 'a?b.example'"},
        {{"make-https", "--domain", "*.example.com", "--include-subdomains"}, "Invalid domain: '*.example.com'"},
    };
    for (const auto& [arguments, message] : cases) {
        Args all{"rule", "build"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        ToolRun run = runOrvanectl(all);
        EXPECT_EQ(run.exitCode, 1) << message;
        EXPECT_EQ(run.err, message + "\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(RuleCommand, UnusableArgumentsGetTheUsageAndExitTwo) {
    const std::vector<Args> cases{
        {"rule"},
        {"rule", "frobnicate"},
        {"rule", "build"},
        {"rule", "build", "block-ads"},
        {"rule", "build", "block-url", "--url-filter"},
        {"rule", "build", "block-url", "--colour", "red"},
        {"rule", "build", "block-url", "stray"},
        {"rule", "build", "block-url", "--resource-type", "image-set"},
        {"rule", "build", "block-url", "--load-type", "both"},
        {"rule", "build", "block-url", "--name", "a", "--name", "b"},
        {"rule", "build", "block-url", "--id", ""},
        {"rule", "build", "block-url", "--if-domain", "--unless-domain"},
        {"rule", "build", "block-url", "--name", "bad \xff"},
        {"rule", "build", "block-cookies", "--selector", "div"},
        {"rule", "build", "whitelist", "--if-domain", "--domain", "a.example"},
        {"rule", "build", "make-https", "--load-type", "first-party", "--domain", "a.example"},
        {"rule", "describe", "a.json", "b.json"},
        {"rule", "describe", "--verbose"},
    };
    for (const auto& arguments : cases) {
        ToolRun run = runOrvanectl(arguments);
        const std::string shown = arguments.back();
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_TRUE(run.err.starts_with("orvanectl: ")) << run.err;
        EXPECT_NE(run.err.find("\nusage:\n  rule build KIND"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << shown;
    }
}

TEST(RuleCommand, DescribeReadsAFileOrStandardInput) {
    const std::string rule = R"({"id":"x","name":"n","content":{"trigger":{"url-filter":"ads","load-type":
        ["third-party"],"if-domain":["a.example","b.example"]},"action":{"type":"block"}}})";
    const std::string expected = "Abort loading third-party resources of any type where the resource's URL matches "
                                 "the pattern: ads\nThe blocker only applies for a.example, b.example.\n";

    ToolRun fromInput = runOrvanectl({"rule", "describe"}, rule);
    EXPECT_EQ(fromInput.exitCode, 0) << fromInput.err;
    EXPECT_EQ(fromInput.out, expected);

    ToolRun fromFile = runOrvanectl({"rule", "describe", "/dev/stdin"}, rule);
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, expected);
}

TEST(RuleCommand, DescribeOfAnUnreadableRulePrintsTheReadersLogAndExitsOne) {
    ToolRun run =
        runOrvanectl({"rule", "describe"}, R"({"content":{"trigger":{"url-filter":"a"},"action":{"type":"hide"}}})");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "unknown action type \"hide\"\naction type is empty\naction init failed\nblocker init failed\n");
    EXPECT_EQ(run.out, "");

    ToolRun notJson = runOrvanectl({"rule", "describe"}, "{\"id\":");
    EXPECT_EQ(notJson.exitCode, 1);
    EXPECT_NE(notJson.err, "");

    ToolRun missing = runOrvanectl({"rule", "describe", "/nonexistent/rule.json"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("/nonexistent/rule.json"), std::string::npos) << missing.err;
}
