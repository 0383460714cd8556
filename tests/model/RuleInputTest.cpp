#include "model/RuleInput.h"

#include <gtest/gtest.h>

using namespace orvane;

using Strings = std::vector<std::string>;

TEST(RuleInput, NonEmptyDomainsSkipsEmptyRowsAndHandlesStars) {
    const Strings rows{"example.com", "", "*.example.com", "ex*ample.com", "**a.example", "*"};
    EXPECT_EQ(nonEmptyDomains(rows, true),
              (Strings{"*example.com", "*.example.com", "*ex*ample.com", "**a.example", "*"}));
    EXPECT_EQ(nonEmptyDomains(rows, false), (Strings{"example.com", ".example.com", "example.com", "a.example", ""}));
    EXPECT_EQ(nonEmptyDomains({"", ""}, true), Strings{});
    // As typed: no trimming, no case change.
    EXPECT_EQ(nonEmptyDomains({" A.Example "}, false), Strings{" A.Example "});
}

TEST(RuleInput, DomainFilterFollowsThePopUpItem) {
    const Strings domains{"*a.example"};
    EXPECT_EQ(domainFilterForItem(1, domains), (DomainFilter{DomainFilterType::IfDomain, domains}));
    EXPECT_EQ(domainFilterForItem(2, domains), (DomainFilter{DomainFilterType::UnlessDomain, domains}));
    EXPECT_EQ(domainFilterForItem(2, {}), (DomainFilter{DomainFilterType::UnlessDomain, {}}));
    for (int item : {0, -1, 3}) {
        EXPECT_EQ(domainFilterForItem(item, domains), std::nullopt) << item;
    }
}

TEST(RuleInput, LoadTypeFollowsTheSegment) {
    EXPECT_EQ(loadTypeForSegment(1), LoadType::FirstParty);
    EXPECT_EQ(loadTypeForSegment(2), LoadType::ThirdParty);
    for (int segment : {0, -1, 3}) {
        EXPECT_EQ(loadTypeForSegment(segment), std::nullopt) << segment;
    }
}

TEST(RuleInput, NameIsAbsentOnlyWhenTheFieldIsEmpty) {
    EXPECT_EQ(nameFromField(""), std::nullopt);
    EXPECT_EQ(nameFromField(" "), " ");
    EXPECT_EQ(nameFromField("My rule"), "My rule");
}

TEST(RuleInput, ResourceTypesComeInSegmentOrderAndAllMeansNone) {
    ResourceTypeSegments selected;
    selected.set(resourceTypeSegment(ResourceType::StyleSheet));
    selected.set(resourceTypeSegment(ResourceType::Script));
    selected.set(resourceTypeSegment(ResourceType::Image));
    EXPECT_EQ(resourceTypesForSegments(selected),
              (std::vector{ResourceType::Script, ResourceType::Image, ResourceType::StyleSheet}));
    EXPECT_EQ(resourceTypesForSegments(ResourceTypeSegments{}), std::vector<ResourceType>{});
    EXPECT_EQ(resourceTypesForSegments(ResourceTypeSegments{}.set()), std::vector<ResourceType>{});

    ResourceTypeSegments allButOne = ResourceTypeSegments{}.set().reset(resourceTypeSegment(ResourceType::Media));
    EXPECT_EQ(resourceTypesForSegments(allButOne),
              (std::vector{ResourceType::Script, ResourceType::Image, ResourceType::Document, ResourceType::Raw,
                           ResourceType::SVG, ResourceType::Popup, ResourceType::Font, ResourceType::StyleSheet}));
    for (ResourceType type : kResourceTypes) {
        const std::size_t segment = resourceTypeSegment(type);
        if (segment < kEditorResourceTypes.size()) {
            EXPECT_EQ(kEditorResourceTypes[segment], type);
        } else {
            EXPECT_EQ(segment, kEditorResourceTypes.size());
            EXPECT_GE(static_cast<std::size_t>(type), kFirstResourceTypes) << rawValue(type);
        }
    }
}
