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
    Trigger trigger;
    trigger.urlFilter = ".*";
    return Rule{id, "Hide " + selector, Blocker{trigger, Action{ActionType::Hide, selector}}};
}

// A catalog with user rules in "hide-elements" and in the custom package "X", and a
// preinstalled package beside them.
class ImportMergeTest : public testing::Test {
protected:
    ImportOutcome merge(const std::vector<Package>& imported) {
        return mergeImport(configurable, custom, preinstalled, imported);
    }

    const Package& configurablePackage(const std::string& id) const {
        for (const auto& package : configurable) {
            if (package.id == id) {
                return package;
            }
        }
        throw std::out_of_range(id);
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
    std::vector<Package> configurable{makePackage("whitelist", "Whitelist"),
                                      makePackage("block-url", "Block URLs"),
                                      makePackage("block-cookies", "Block Cookies"),
                                      makePackage("hide-elements", "Hide Page Elements",
                                                  {hideRule("h1", ".ad"), hideRule("h2", "#banner")}),
                                      makePackage("make-https", "Make HTTPS-only")};
    std::vector<Package> custom{makePackage("X", "Mine", {blockRule("a"), blockRule("b")})};
};

} // namespace

TEST_F(ImportMergeTest, APackageWithTheExistingRuleCountCountsAsImportedWhateverItsRules) {
    const auto configurableBefore = configurable;
    const auto customBefore = custom;
    auto outcome = merge({makePackage("X", "Other name", {blockRule("c"), blockRule("d")}), configurable[0]});
    EXPECT_FALSE(outcome.addedAnything());
    EXPECT_TRUE(outcome.mergedRules.empty());
    EXPECT_EQ(configurable, configurableBefore);
    EXPECT_EQ(custom, customBefore);
}

TEST_F(ImportMergeTest, MissingRulesAreAppendedOnceAndHandedOver) {
    auto outcome = merge({makePackage("X", "Mine", {blockRule("a"), blockRule("c"), blockRule("d")})});
    EXPECT_EQ(ruleIds(custom[0]), (std::vector<std::string>{"a", "b", "c", "d"}));
    ASSERT_EQ(outcome.mergedRules.size(), 1u);
    EXPECT_EQ(outcome.mergedRules[0].packageId, "X");
    EXPECT_EQ(outcome.mergedRules[0].rules, (std::vector<Rule>{blockRule("c"), blockRule("d")}));
    EXPECT_TRUE(outcome.newPackages.empty());
    EXPECT_TRUE(outcome.addedAnything());

    // Another rule count but nothing new: handed over empty, nothing added.
    outcome = merge({makePackage("X", "Mine", {blockRule("a")})});
    ASSERT_EQ(outcome.mergedRules.size(), 1u);
    EXPECT_TRUE(outcome.mergedRules[0].rules.empty());
    EXPECT_FALSE(outcome.addedAnything());
    EXPECT_EQ(custom[0].rules.size(), 4u);
}

TEST_F(ImportMergeTest, AConfigurableIdAddsToThatConfigurablePackageAfterTheUsersRules) {
    auto outcome = merge({makePackage("hide-elements", "Hide", {hideRule("h1", ".ad"), hideRule("h3", ".popup"),
                                                                 hideRule("h2", "#banner")})});
    EXPECT_EQ(ruleIds(configurablePackage("hide-elements")), (std::vector<std::string>{"h1", "h2", "h3"}));
    EXPECT_EQ(configurablePackage("hide-elements").name, "Hide Page Elements");
    EXPECT_EQ(custom.size(), 1u);
    ASSERT_EQ(outcome.mergedRules.size(), 1u);
    EXPECT_EQ(outcome.mergedRules[0].packageId, "hide-elements");
}

TEST_F(ImportMergeTest, NewPackagesAreAppendedInFileOrderKeepingIdAndName) {
    auto first = makePackage("N1", "First", {blockRule("n1")});
    auto second = makePackage("N2", "Second", {blockRule("n2")});
    auto outcome = merge({first, makePackage("X", "Mine", {blockRule("a")}), second});
    ASSERT_EQ(custom.size(), 3u);
    EXPECT_EQ(custom[1], first);
    EXPECT_EQ(custom[2], second);
    EXPECT_EQ(outcome.newPackages, (std::vector<Package>{first, second}));
}

TEST_F(ImportMergeTest, TwoImportedPackagesWithOneNewIdBecomeTwoPackagesWithTwoIds) {
    auto package = makePackage("N", "Twin", {blockRule("n1"), blockRule("n2")});
    auto outcome = merge({package, package});
    ASSERT_EQ(custom.size(), 3u);
    EXPECT_EQ(custom[1], package);
    EXPECT_NE(custom[2].id, "N");
    EXPECT_TRUE(isUpperCaseUUID(custom[2].id));
    EXPECT_EQ(custom[2].name, "Twin");
    ASSERT_EQ(custom[2].rules.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(custom[2].rules[i].blocker, package.rules[i].blocker);
        EXPECT_EQ(custom[2].rules[i].name, package.rules[i].name);
    }
    EXPECT_EQ(outcome.newPackages, (std::vector<Package>{custom[1], custom[2]}));
    expectUniqueIds();
}

TEST_F(ImportMergeTest, RuleIdsOfNewPackagesThatAreTakenGetFreshIds) {
    // "a" is taken by X, "ads-1" by a preinstalled rule, "n" twice within the package.
    auto package = makePackage("N", "New", {blockRule("a", "other"), blockRule("ads-1", "ads"), blockRule("n"),
                                            blockRule("n", "again"), blockRule("free")});
    auto outcome = merge({package});
    ASSERT_EQ(custom.size(), 2u);
    const auto& added = custom[1];
    ASSERT_EQ(added.rules.size(), 5u);
    EXPECT_TRUE(isUpperCaseUUID(added.rules[0].id));
    EXPECT_TRUE(isUpperCaseUUID(added.rules[1].id));
    EXPECT_EQ(added.rules[2].id, "n");
    EXPECT_TRUE(isUpperCaseUUID(added.rules[3].id));
    EXPECT_EQ(added.rules[4].id, "free");
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(added.rules[i].blocker, package.rules[i].blocker);
    }
    EXPECT_EQ(custom[0].rules, (std::vector<Rule>{blockRule("a"), blockRule("b")}));
    EXPECT_EQ(outcome.newPackages.front(), added);
    expectUniqueIds();
}

TEST_F(ImportMergeTest, ARuleMatchingAnExistingOneOnlyByIdIsAddedBesideItUnderAFreshId) {
    const Rule changed = blockRule("a", "changed");
    const std::vector<Package> file{makePackage("X", "Mine", {changed, blockRule("c"), blockRule("d")})};
    auto outcome = merge(file);
    ASSERT_EQ(custom[0].rules.size(), 5u);
    EXPECT_EQ(custom[0].rules[0], blockRule("a"));
    const Rule& beside = custom[0].rules[2];
    EXPECT_TRUE(isUpperCaseUUID(beside.id));
    EXPECT_EQ(beside.blocker, changed.blocker);
    EXPECT_EQ(beside.name, changed.name);
    EXPECT_EQ(outcome.mergedRules.at(0).rules.front(), beside);
    expectUniqueIds();

    // The same file again finds everything in place.
    const auto before = custom;
    outcome = merge(file);
    EXPECT_FALSE(outcome.addedAnything());
    EXPECT_EQ(custom, before);
}

TEST_F(ImportMergeTest, RulesDifferingInAnyFieldAreDifferentRules) {
    // Absent and empty lists, and texts that run together differently, are different rules.
    Rule emptyTypes = blockRule("a");
    emptyTypes.blocker.trigger.resourceTypes = std::vector<ResourceType>{};
    Rule split = blockRule("b");
    split.name = "Block b";
    split.blocker.trigger.urlFilter = "";
    Rule joined = blockRule("b");
    joined.name = "Block ";
    joined.blocker.trigger.urlFilter = "bb";
    Rule selector = blockRule("b");
    selector.blocker.action.selector = "";
    auto outcome = merge({makePackage("X", "Mine", {emptyTypes, split, joined, selector, blockRule("b")})});
    ASSERT_EQ(custom[0].rules.size(), 6u);
    ASSERT_EQ(outcome.mergedRules.at(0).rules.size(), 4u);
    EXPECT_EQ(outcome.mergedRules[0].rules[0].blocker, emptyTypes.blocker);
    EXPECT_EQ(outcome.mergedRules[0].rules[3].blocker, selector.blocker);
    expectUniqueIds();
}

TEST_F(ImportMergeTest, SeveralImportedPackagesForOneExistingPackageAddEachRuleOnce) {
    auto outcome = merge({makePackage("X", "Mine", {blockRule("a"), blockRule("c"), blockRule("d")}),
                          makePackage("X", "Mine", {blockRule("c"), blockRule("e"), blockRule("d")})});
    EXPECT_EQ(ruleIds(custom[0]), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    ASSERT_EQ(outcome.mergedRules.size(), 2u);
    EXPECT_EQ(outcome.mergedRules[1].rules, std::vector<Rule>{blockRule("e")});
    expectUniqueIds();
}

TEST_F(ImportMergeTest, APreinstalledIdNeverNamesASecondPackage) {
    auto outcome = merge({makePackage("block-ads", "My ads", {blockRule("mine")})});
    ASSERT_EQ(custom.size(), 2u);
    EXPECT_NE(custom[1].id, "block-ads");
    EXPECT_EQ(custom[1].name, "My ads");
    EXPECT_EQ(custom[1].rules, std::vector<Rule>{blockRule("mine")});
    EXPECT_EQ(preinstalled.size(), 1u);
    expectUniqueIds();
}

TEST_F(ImportMergeTest, RulesGoToThePackageFoundWhicheverListHoldsIt) {
    // A configurable file may carry a package whose id is none of the five kinds.
    configurable.push_back(makePackage("legacy", "Legacy", {blockRule("l1")}));
    auto outcome = merge({makePackage("legacy", "Legacy", {blockRule("l1"), blockRule("l2")})});
    EXPECT_EQ(ruleIds(configurable.back()), (std::vector<std::string>{"l1", "l2"}));
    EXPECT_EQ(custom.size(), 1u);
    EXPECT_TRUE(outcome.addedAnything());
}
