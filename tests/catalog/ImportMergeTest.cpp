#include "catalog/ImportMerge.h"

#include "support/Fixtures.h"
#include "support/Json.h"

#include <gtest/gtest.h>

#include <set>

using namespace orvane;
using namespace orvane::test;

namespace {

std::vector<std::string> ruleIds(const Package& package) {
    std::vector<std::string> ids;
    for (const auto& rule : package.rules) {
        ids.push_back(rule.id);
    }
    return ids;
}

Rule hideRule(const std::string& id, const std::string& selector) {
    return Rule{id, "Hide " + selector, Blocker{Trigger{".*", false, {}, {}, {}}, Action{ActionType::Hide, selector}}};
}

// User rules in "hide-elements" and in the custom package "X", a preinstalled package beside.
class ImportMergeTest : public testing::Test {
protected:
    ImportOutcome merge(const std::vector<Package>& imported) {
        return mergeImport(configurable, custom, preinstalled, imported);
    }

    // Every package id and every rule id of the catalog is used once.
    void expectUniqueIds() const {
        std::set<std::string> packageIds;
        std::set<std::string> ruleIdsSeen;
        for (const auto* list : {&preinstalled, &configurable, &custom}) {
            for (const auto& package : *list) {
                EXPECT_TRUE(packageIds.insert(package.id).second) << "package id used twice: " << package.id;
                for (const auto& rule : package.rules) {
                    EXPECT_TRUE(ruleIdsSeen.insert(rule.id).second) << "rule id used twice: " << rule.id;
                }
            }
        }
    }

    std::vector<Package> preinstalled{makePackage("block-ads", "Ads", {blockRule("ads-1")})};
    std::vector<Package> configurable{makePackage("whitelist", "Whitelist"), makePackage("block-url", "Block URLs"),
                                      makePackage("hide-elements", "Hide Page Elements",
                                                  {hideRule("h1", ".ad"), hideRule("h2", "#banner")})};
    std::vector<Package> custom{makePackage("X", "Mine", {blockRule("a"), blockRule("b")})};
};

} // namespace

TEST_F(ImportMergeTest, ExistingPackagesTakeTheRulesTheyLackUnlessTheirRuleCountMatches) {
    const auto before = std::pair{configurable, custom};
    auto outcome = merge({makePackage("X", "Other", {blockRule("c"), blockRule("d")}), configurable[0]});
    EXPECT_FALSE(outcome.addedAnything());
    EXPECT_TRUE(outcome.mergedRules.empty());
    EXPECT_EQ(std::pair(configurable, custom), before);

    // Another rule count but nothing new: handed over empty, nothing added.
    outcome = merge({makePackage("X", "Mine", {blockRule("a")})});
    EXPECT_FALSE(outcome.addedAnything());
    ASSERT_EQ(outcome.mergedRules.size(), 1u);
    EXPECT_TRUE(outcome.mergedRules[0].rules.empty());

    // Rules are compared with the package as the import found it plus what it added so far.
    outcome = merge({makePackage("X", "Mine", {blockRule("a"), blockRule("c"), blockRule("d")}),
                     makePackage("X", "Mine", {blockRule("c"), blockRule("e"), blockRule("d")}),
                     makePackage("hide-elements", "Hide", {hideRule("h1", ".ad"), hideRule("h3", ".popup"),
                                                            hideRule("h2", "#banner")})});
    EXPECT_EQ(ruleIds(custom[0]), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(ruleIds(configurable[2]), (std::vector<std::string>{"h1", "h2", "h3"}));
    EXPECT_EQ(configurable[2].name, "Hide Page Elements");
    ASSERT_EQ(outcome.mergedRules.size(), 3u);
    EXPECT_EQ(outcome.mergedRules[0].packageId, "X");
    EXPECT_EQ(outcome.mergedRules[0].rules, (std::vector<Rule>{blockRule("c"), blockRule("d")}));
    EXPECT_EQ(outcome.mergedRules[1].rules, std::vector<Rule>{blockRule("e")});
    EXPECT_EQ(outcome.mergedRules[2].packageId, "hide-elements");
    EXPECT_EQ(custom.size(), 1u);

    // A configurable file may carry a package of no configurable kind: it takes its rules too.
    configurable.push_back(makePackage("legacy", "Legacy", {blockRule("l1")}));
    outcome = merge({makePackage("legacy", "Legacy", {blockRule("l1"), blockRule("l2")})});
    EXPECT_EQ(ruleIds(configurable.back()), (std::vector<std::string>{"l1", "l2"}));
    expectUniqueIds();
}

TEST_F(ImportMergeTest, NewPackagesAreAppendedInFileOrderWithIdsNoOtherPackageOrRuleHas) {
    const auto first = makePackage("N1", "First", {blockRule("n1")});
    // "a" is taken by X, "ads-1" by a preinstalled rule, "n" twice within the package.
    const auto colliding = makePackage("N2", "Second", {blockRule("a", "other"), blockRule("ads-1", "ads"),
                                                        blockRule("n"), blockRule("n", "again")});
    auto outcome = merge({first, makePackage("X", "Mine", {blockRule("a")}), colliding, first,
                          makePackage("block-ads", "My ads")});
    ASSERT_EQ(custom.size(), 5u);
    EXPECT_EQ(custom[1], first);
    EXPECT_EQ(outcome.newPackages, (std::vector<Package>{custom.begin() + 1, custom.end()}));

    const Package& second = custom[2];
    EXPECT_EQ(second.id, "N2");
    ASSERT_EQ(second.rules.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(second.rules[i].blocker, colliding.rules[i].blocker);
        EXPECT_EQ(second.rules[i].id == colliding.rules[i].id, i == 2) << i;
    }
    // The same new id twice, and a preinstalled package's id: fresh package ids.
    for (const Package* renamed : {&custom[3], &custom[4]}) {
        EXPECT_TRUE(isUpperCaseUUID(renamed->id)) << renamed->id;
    }
    EXPECT_EQ(custom[3].name, "First");
    EXPECT_EQ(custom[3].rules.at(0).blocker, first.rules[0].blocker);
    EXPECT_EQ(custom[0].rules, (std::vector<Rule>{blockRule("a"), blockRule("b")}));
    expectUniqueIds();
}

TEST_F(ImportMergeTest, ARuleMatchingOnlyByIdIsAddedBesideUnderAFreshIdAndOnlyOnce) {
    // Absent and empty lists, and texts that run together differently, make different rules.
    Rule emptyTypes = blockRule("a");
    emptyTypes.blocker.trigger.resourceTypes = std::vector<ResourceType>{};
    Rule joined = blockRule("b");
    joined.name = "Block ";
    joined.blocker.trigger.urlFilter = "bb";
    Rule selector = blockRule("b");
    selector.blocker.action.selector = "";
    const std::vector<Package> file{makePackage("X", "Mine", {emptyTypes, joined, selector, blockRule("b")})};
    auto outcome = merge(file);
    ASSERT_EQ(custom[0].rules.size(), 5u);
    EXPECT_EQ(custom[0].rules[0], blockRule("a"));
    ASSERT_EQ(outcome.mergedRules.at(0).rules.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const Rule& added = custom[0].rules[i + 2];
        EXPECT_TRUE(isUpperCaseUUID(added.id));
        EXPECT_EQ(added.blocker, file[0].rules[i].blocker);
        EXPECT_EQ(added.name, file[0].rules[i].name);
        EXPECT_EQ(outcome.mergedRules[0].rules[i], added);
    }
    expectUniqueIds();

    const auto before = custom;
    EXPECT_FALSE(merge(file).addedAnything());
    EXPECT_EQ(custom, before);
}
