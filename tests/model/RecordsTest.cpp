#include "model/Enums.h"
#include "model/Records.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

Rule rule(std::string id, std::string name, std::string urlFilter = "a") {
    return Rule{std::move(id), std::move(name), Blocker{Trigger{std::move(urlFilter), false, {}, {}, {}}, Action{}}};
}

} // namespace

TEST(Equality, AbsentAndEmptyListsDiffer) {
    Trigger absent{"a", false, {}, {}, {}};
    Trigger empty = absent;
    empty.loadType = std::vector<LoadType>{};
    EXPECT_NE(absent, empty);
    empty.loadType.reset();
    empty.resourceTypes = std::vector<ResourceType>{};
    EXPECT_NE(absent, empty);
    empty.resourceTypes.reset();
    EXPECT_EQ(absent, empty);
    empty.domainFilter = DomainFilter{DomainFilterType::IfDomain, {}};
    EXPECT_NE(absent, empty);
}

TEST(Equality, ListOrderAndEveryFieldCount) {
    DomainFilter ab{DomainFilterType::IfDomain, {"a", "b"}};
    EXPECT_NE(ab, (DomainFilter{DomainFilterType::IfDomain, {"b", "a"}}));
    EXPECT_NE(ab, (DomainFilter{DomainFilterType::UnlessDomain, {"a", "b"}}));
    EXPECT_NE(ab, (DomainFilter{DomainFilterType::IfDomain, {"a", "b", "b"}}));

    Trigger trigger{"a", false, std::vector{ResourceType::Image, ResourceType::Font}, {}, {}};
    Trigger swapped = trigger;
    swapped.resourceTypes = std::vector{ResourceType::Font, ResourceType::Image};
    EXPECT_NE(trigger, swapped);
    Trigger sensitive = trigger;
    sensitive.caseSensitive = true;
    EXPECT_NE(trigger, sensitive);
    Trigger otherCase = trigger;
    otherCase.urlFilter = "A";
    EXPECT_NE(trigger, otherCase);

    EXPECT_NE((Action{ActionType::Hide, "div"}), (Action{ActionType::Hide, std::nullopt}));
    EXPECT_NE((Action{ActionType::Hide, ""}), (Action{ActionType::Hide, std::nullopt}));

    EXPECT_NE(rule("1", "n"), rule("2", "n"));
    EXPECT_NE(rule("1", "n"), rule("1", "N"));
    EXPECT_NE(rule("1", "n"), rule("1", "n", "b"));
    EXPECT_EQ(rule("1", "n"), rule("1", "n"));

    Package package{"p", "P", {rule("1", "n"), rule("2", "m")}};
    EXPECT_NE(package, (Package{"p", "P", {rule("2", "m"), rule("1", "n")}}));
    EXPECT_NE(package, (Package{"p", "P", {rule("1", "n")}}));
    EXPECT_NE(package, (Package{"q", "P", package.rules}));
    EXPECT_EQ(package, (Package{"p", "P", {rule("1", "n"), rule("2", "m")}}));
}

TEST(StrictActionConstructor, HideNeedsASelectorAndOtherTypesDropIt) {
    EXPECT_EQ(makeAction(ActionType::Hide, std::nullopt), std::nullopt);
    EXPECT_EQ(makeAction(ActionType::Hide, "div.ad"), (Action{ActionType::Hide, "div.ad"}));
    EXPECT_EQ(makeAction(ActionType::Hide, ""), (Action{ActionType::Hide, ""}));
    for (ActionType type :
         {ActionType::Block, ActionType::BlockCookies, ActionType::IgnorePreviousRules, ActionType::makeHttps}) {
        EXPECT_EQ(makeAction(type, "div.ad"), (Action{type, std::nullopt}));
        EXPECT_EQ(makeAction(type, std::nullopt), (Action{type, std::nullopt}));
    }
}

TEST(UpsertRule, ReplacesInPlaceOrAppends) {
    std::vector<Rule> rules{rule("1", "one"), rule("2", "two"), rule("3", "three")};
    upsertRule(rules, rule("2", "TWO"));
    EXPECT_EQ(rules, (std::vector{rule("1", "one"), rule("2", "TWO"), rule("3", "three")}));
    upsertRule(rules, rule("4", "four"));
    EXPECT_EQ(rules.back(), rule("4", "four"));
    EXPECT_EQ(rules.size(), 4u);

    std::vector<Rule> empty;
    upsertRule(empty, rule("1", "one"));
    EXPECT_EQ(empty, std::vector{rule("1", "one")});
}

TEST(Enumerations, TextFormsRoundTripAndMatchExactly) {
    const auto roundTrips = [](auto cases) {
        using Enum = typename decltype(cases)::value_type;
        for (Enum value : cases) {
            EXPECT_EQ(fromRawValue<Enum>(rawValue(value)), value) << rawValue(value);
        }
    };
    roundTrips(kResourceTypes);
    roundTrips(kLoadTypes);
    roundTrips(kDomainFilterTypes);
    roundTrips(kActionTypes);
    roundTrips(kConfigurablePackageTypes);
    roundTrips(kPackageTypes);

    EXPECT_EQ(rawValue(ResourceType::SVG), "svg-document");
    EXPECT_EQ(rawValue(ResourceType::StyleSheet), "style-sheet");
    EXPECT_EQ(rawValue(ActionType::Hide), "css-display-none");
    EXPECT_EQ(rawValue(ConfigurablePackageType::BlockURL), "block-url");
    EXPECT_EQ(rawValue(PackageType::CustomPackages), "CustomPackages.json");
    EXPECT_EQ(fromRawValue<ActionType>("Block"), std::nullopt);
    EXPECT_EQ(fromRawValue<ResourceType>("svg"), std::nullopt);
    EXPECT_EQ(fromRawValue<LoadType>(" first-party"), std::nullopt);
    EXPECT_EQ(fromRawValue<ConfigurablePackageType>(""), std::nullopt);
}
