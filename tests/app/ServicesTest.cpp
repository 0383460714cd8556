// The application services as both front ends use them: what each refuses, what it stores, and
// that every edit reaches cloud sync once it is on disk.

#include "app/CoreServices.h"

#include "catalog/DataManager.h"
#include "platform/ShownMessages.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "storage/PersistentStore.h"
#include "support/Fixtures.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

// What the catalog handed to sync, in order.
struct RecordingHandOver final : SyncHandOver {
    void packageChanged(const Package& package) override { events.push_back("package " + package.id + " " + package.name); }
    void rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) override {
        for (const auto& rule : rules) {
            events.push_back("rule " + rule.id + " in " + packageId);
        }
    }
    void packageDeleted(const std::string& packageId, const std::vector<Rule>&) override {
        events.push_back("deleted package " + packageId);
    }
    void ruleDeleted(const std::string& ruleId) override { events.push_back("deleted rule " + ruleId); }
    std::vector<std::string> events;
};

class ServicesTest : public testing::Test {
protected:
    ServicesTest() {
        UserDefaults::group().set(kStorePreferencesLocally, true);
        DataManager::shared().setPreinstalledPackages({makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})});
        DataManager::shared().setSyncHandOver(handOver);
    }

    ServiceErrorCode refusal(const ServiceResult<Rule>& result) {
        EXPECT_FALSE(result);
        return result ? ServiceErrorCode::NotSaved : result.error().code;
    }
    std::string files() {
        return readText(home.shared() / "ConfigurablePackages.json") + readText(home.shared() / "CustomPackages.json");
    }

    TempHome home;
    CoreServices services;
    std::shared_ptr<RecordingHandOver> handOver = std::make_shared<RecordingHandOver>();
};

EditorInput urlInput(const std::string& name, const std::string& filter) {
    EditorInput input;
    input.name = name;
    input.urlFilter = filter;
    return input;
}

} // namespace

TEST_F(ServicesTest, PackagesAreCreatedRenamedExportedAndDeletedOnlyWhereTheUserOwnsThem) {
    PackageServices& packages = services.packages();
    auto created = packages.createPackage("Mine");
    ASSERT_TRUE(created);
    EXPECT_EQ(sectionOf(created->id), PackageSection::Custom);
    auto invalid = packages.createPackage("bad\xffname");
    ASSERT_FALSE(invalid);
    EXPECT_EQ(invalid.error().code, ServiceErrorCode::InvalidText);
    EXPECT_EQ(DataManager::shared().customPackages()->size(), 1u);

    EXPECT_EQ(packages.renamePackage(created->id, "")->name, "Mine");
    EXPECT_EQ(packages.renamePackage(created->id, "Renamed")->name, "Renamed");
    EXPECT_EQ(packages.renamePackage("block-ads", "Mine").error().code, ServiceErrorCode::NotEditable);
    EXPECT_EQ(packages.renamePackage("nope", "Mine").error().code, ServiceErrorCode::UnknownPackage);
    EXPECT_EQ(packages.exportPackage("block-ads", home.home() / "ads").error().code, ServiceErrorCode::NotExportable);
    auto exported = packages.exportPackage(created->id, home.home() / "out" / "mine");
    ASSERT_TRUE(exported);
    EXPECT_EQ(*exported, home.home() / "out" / "mine.orvanepkg");
    EXPECT_EQ(PersistentStore::readPackages(*exported, true),
              std::vector<Package>{makePackage(created->id, "Renamed")});

    const Package pending = packages.createPendingPackage();
    EXPECT_EQ(pending.name, "New Package");
    EXPECT_EQ(DataManager::shared().customPackages()->size(), 2u);
    EXPECT_EQ(PersistentStore::readPackages(home.shared() / "CustomPackages.json", true)->size(), 1u);

    ASSERT_TRUE(packages.deletePackage(created->id));
    EXPECT_EQ(packages.deletePackage("block-url").error().code, ServiceErrorCode::NotEditable);
    ASSERT_TRUE(services.waitUntilSettled(120s));
    EXPECT_EQ(handOver->events, (std::vector<std::string>{"package " + created->id + " Mine",
                                                         "package " + created->id + " Renamed",
                                                         "deleted package " + created->id}));

    const auto summaries = packages.summaries();
    ASSERT_EQ(summaries.size(), 7u);
    EXPECT_EQ(summaries.front().section, PackageSection::Preinstalled);
    EXPECT_EQ(summaries[5].id, pending.id);
    EXPECT_EQ(summaries.back().id, "whitelist");
}

TEST_F(ServicesTest, RulesAreBuiltAsTheEditorsBuildThemAndEditedWithoutLosingWhatIsNotChanged) {
    RuleServices& rules = services.rules();
    EXPECT_EQ(refusal(rules.saveRule("block-ads", ConfigurablePackageType::BlockURL, urlInput("", "x"), {})),
              ServiceErrorCode::NotEditable);
    EXPECT_EQ(refusal(rules.saveRule("block-url", ConfigurablePackageType::HideElements, urlInput("", "x"), {})),
              ServiceErrorCode::WrongRuleKind);
    EXPECT_EQ(rules.ruleKind(services.packages().createPackage("Mine")->id, {}, {}).error().code,
              ServiceErrorCode::NeedsRuleKind);
    EXPECT_EQ(refusal(rules.saveRule("block-url", ConfigurablePackageType::BlockURL, urlInput("caf\xc3", "x"), {})),
              ServiceErrorCode::InvalidText);
    ShownMessages shown;
    auto unbuilt = rules.saveRule("block-url", ConfigurablePackageType::BlockURL, urlInput("", ""), {});
    ASSERT_FALSE(unbuilt);
    EXPECT_EQ(unbuilt.error().code, ServiceErrorCode::RuleNotBuilt);
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_EQ(unbuilt.error().message, shown.messages().front().message);

    EditorInput input = urlInput("Trackers", "tracker\\.js");
    input.domainFilter = DomainFilterSelector::UnlessDomain;
    input.domainRows = {"good.example", ""};
    input.includeSubdomains = true;
    auto saved = rules.saveRule("block-url", ConfigurablePackageType::BlockURL, input, {});
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->blocker.trigger.domainFilter, (DomainFilter{DomainFilterType::UnlessDomain, {"*good.example"}}));

    // The editor shows the stored rule; changing one control keeps the rest.
    auto shownInput = rules.editorInput("block-url", saved->id);
    ASSERT_TRUE(shownInput);
    EXPECT_EQ(shownInput->domainRows, std::vector<std::string>{"good.example"});
    EXPECT_TRUE(shownInput->includeSubdomains);
    const std::string unchanged = files();
    auto same = rules.saveRule("block-url", ConfigurablePackageType::BlockURL, *shownInput, saved->id);
    ASSERT_TRUE(same);
    EXPECT_EQ(*same, *saved);
    EXPECT_EQ(files(), unchanged);
    EditorInput edited = *shownInput;
    edited.urlFilter = "pixel\\.gif";
    auto changed = rules.saveRule("block-url", ConfigurablePackageType::BlockURL, edited, saved->id);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->id, saved->id);
    EXPECT_EQ(changed->name, "Trackers");
    EXPECT_EQ(changed->blocker.trigger.domainFilter, saved->blocker.trigger.domainFilter);

    auto listed = rules.listRules("block-url", EnabledFilter::ShowAll, "TRACK");
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 1u);
    EXPECT_EQ(listed->front().rule, *changed);
    EXPECT_TRUE(listed->front().enabled);
    ASSERT_TRUE(services.switches().setRulesEnabled("block-url", {saved->id}, false));
    ASSERT_TRUE(services.waitUntilSettled(120s));
    EXPECT_TRUE(rules.listRules("block-url", EnabledFilter::EnabledOnly, "")->empty());

    EXPECT_EQ(rules.removeRule("block-ads", "ads-1").error().code, ServiceErrorCode::NotEditable);
    EXPECT_EQ(rules.removeRule("block-url", "nope").error().code, ServiceErrorCode::UnknownRule);
    ASSERT_TRUE(rules.removeRule("block-url", saved->id));
    ASSERT_TRUE(services.waitUntilSettled(120s));
    // Its switch went with it.
    EXPECT_EQ(services.packages().summaries()[1].disabledRuleCount, 0u);
    EXPECT_EQ(handOver->events.back(), "deleted rule " + saved->id);
}

TEST_F(ServicesTest, AnEditThatCannotBeWrittenIsRefusedAndLeavesTheCatalogAsTheDiskHoldsIt) {
    auto saved = services.rules().saveRule("block-url", ConfigurablePackageType::BlockURL, urlInput("", "a"), {});
    ASSERT_TRUE(saved);
    ASSERT_TRUE(services.waitUntilSettled(120s));
    const auto configurable = *DataManager::shared().configurablePackages();
    const auto events = handOver->events;
    const std::string compiled = readText(home.shared() / "tmp.json");

    ReadOnlyFolder readOnly(home.shared());
    if (!readOnly.holds()) {
        GTEST_SKIP() << "this file system cannot make a folder read-only";
    }
    ShownMessages shown;
    auto refused = services.rules().saveRule("block-url", ConfigurablePackageType::BlockURL, urlInput("", "b"), {});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, ServiceErrorCode::NotSaved);
    EXPECT_EQ(services.rules().removeRule("block-url", saved->id).error().code, ServiceErrorCode::NotSaved);
    EXPECT_EQ(services.packages().createPackage("Mine").error().code, ServiceErrorCode::NotSaved);
    ASSERT_TRUE(services.waitUntilSettled(120s));
    ASSERT_EQ(shown.messages().size(), 3u);
    EXPECT_TRUE(shown.messages().front().warning);
    EXPECT_EQ(shown.messages().front().message, refused.error().message);
    EXPECT_EQ(*DataManager::shared().configurablePackages(), configurable);
    EXPECT_TRUE(DataManager::shared().customPackages()->empty());
    EXPECT_EQ(handOver->events, events);
    EXPECT_EQ(readText(home.shared() / "tmp.json"), compiled);
}

TEST_F(ServicesTest, ARuleWebKitWouldRefuseIsNotSavedAndTheEditorSaysWhyInTheFieldsTerms) {
    RuleServices& rules = services.rules();
    auto saved = rules.saveRule("block-url", ConfigurablePackageType::BlockURL, urlInput("Ads", "ads"), {});
    ASSERT_TRUE(saved);
    ASSERT_TRUE(services.waitUntilSettled(120s));
    const std::string before = files();
    const auto events = handOver->events;

    ShownMessages shown;
    auto refused = rules.saveRule("block-url", ConfigurablePackageType::BlockURL, urlInput("", "ad|banner"), {});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, ServiceErrorCode::RuleNotBuilt);
    EXPECT_EQ(refused.error().message, "The URL filter uses \"|\", which content blockers do not support");
    // An edit that would make the stored rule one WebKit refuses leaves it as it is.
    EditorInput edited = *rules.editorInput("block-url", saved->id);
    edited.urlFilter = "ads{2}";
    EXPECT_EQ(rules.saveRule("block-url", ConfigurablePackageType::BlockURL, edited, saved->id).error().message,
              "The URL filter uses \"{2}\", which content blockers do not support");
    EditorInput whitelist;
    whitelist.domainRows = {"Example.com"};
    EXPECT_EQ(rules.saveRule("whitelist", ConfigurablePackageType::Whitelist, whitelist, {}).error().message,
              "The domain \"Example.com\" has capital letters, which content blockers do not support: write it in "
              "lower case");
    EditorInput hide;
    hide.selector = "div:banner";
    EXPECT_EQ(rules.saveRule("hide-elements", ConfigurablePackageType::HideElements, hide, {}).error().message,
              "The CSS selector \"div:banner\" is not one content blockers can read (unknown pseudo-class "
              "\":banner\"), so the rule would hide nothing");

    ASSERT_TRUE(services.waitUntilSettled(120s));
    const auto messages = shown.messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages.front(), (ShownMessage{refused.error().message, true}));
    EXPECT_EQ(files(), before);
    EXPECT_EQ(handOver->events, events);
}
