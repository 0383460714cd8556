// Plain content-blocker lists imported through the catalog: one package named after the file.

#include "catalog/DataManager.h"

#include "platform/Log.h"
#include "platform/ShownMessages.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

class ContentBlockerListImport : public testing::Test {
protected:
    ContentBlockerListImport() {
        UserDefaults::group().set(kStorePreferencesLocally, true);
        catalog.setPreinstalledPackages({makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})});
        writeSharedPackages("CustomPackages.json", {makePackage("X", "Mine", {blockRule("a")})});
    }

    // Imports the text as a file of that name; answers the messages shown.
    std::vector<ShownMessage> import(const std::string& name, const std::string& text) {
        const auto path = home.home() / "Downloads" / name;
        writeText(path, text);
        ShownMessages shown;
        catalog.importPackages(path);
        EXPECT_FALSE(fs::exists(path));
        return shown.messages();
    }

    TempHome home;
    DataManager& catalog = DataManager::shared();
    LogCapture log; // the skipped entries' lines
};

const std::string kEntries = R"(
    {"trigger":{"url-filter":".*","if-domain":["news.example"]},"action":{"type":"css-display-none","selector":".ad"}},
    {"trigger":{"url-filter":"^https?://([^/]+\\.)?tracker\\.example/(pixels?)/[0-9]+\\.gif",
                "if-top-url":["https://"]},"action":{"type":"block"}},
    {"trigger":{"url-filter":".*","if-domain":["good.example"]},"action":{"type":"ignore-previous-rules"}})";

std::vector<ShownMessage> said(const std::string& message) { return {{message, false}}; }

} // namespace

TEST_F(ContentBlockerListImport, AListBecomesOnePackageNamedAfterTheFileAndAddsOnlyWhatIsNew) {
    EXPECT_EQ(import("Easy List.json", "[" + kEntries + R"(,
        {"trigger":{"url-filter":"a","x-unless-cookie":["s"]},"action":{"type":"block"}},
        {"trigger":{"url-filter":"b"},"action":{"type":"notify","notification":"n"}}])"),
              said(R"(Blockers were successfuly imported. 2 rules could not be read and were left out: )"
                   R"(unknown trigger key "x-unless-cookie" (1), unknown action type "notify" (1).)"));
    const auto custom = *catalog.customPackages();
    ASSERT_EQ(custom.size(), 2u);
    const Package& list = custom.back();
    EXPECT_EQ(list.name, "Easy List");
    EXPECT_TRUE(isUpperCaseUUID(list.id)) << list.id;
    ASSERT_EQ(list.rules.size(), 3u);
    EXPECT_EQ(list.rules[0].name, "Hide .ad");
    EXPECT_EQ(list.rules[1].name, "Block ^https?://([^/]+\\.)?tracker\\.example/(pi…");
    EXPECT_EQ(list.rules[1].blocker.trigger.topURLFilter, (TopURLFilter{TopURLFilterType::IfTopURL, {"https://"}}));
    EXPECT_EQ(list.rules[2].name, "Whitelist good.example");
    for (const auto& rule : list.rules) {
        EXPECT_TRUE(isUpperCaseUUID(rule.id)) << rule.id;
    }
    EXPECT_NE(list.rules[0].id, list.rules[1].id);

    // The same list again, under any extension, and then a newer one.
    EXPECT_EQ(import("Easy List.txt", "[" + kEntries + "]"), said("No new blockers were found"));
    EXPECT_EQ(import("Easy List", R"([{"trigger":{"url-filter":"new"},"action":{"type":"block"}},)" + kEntries + "]"),
              said("Blockers were successfuly imported"));
    const auto after = *catalog.customPackages();
    ASSERT_EQ(after.size(), 2u);
    ASSERT_EQ(after.back().rules.size(), 4u);
    EXPECT_EQ(std::vector(after.back().rules.begin(), after.back().rules.begin() + 3), list.rules);
    EXPECT_EQ(after.back().rules[3].name, "Block new");
}

TEST_F(ContentBlockerListImport, FilesOfOtherShapesKeepTheMessagesOfTheImport) {
    const auto before = *catalog.customPackages();
    const auto noPackages = said("No compatible packages found: importedPackages.isEmpty == true");
    EXPECT_EQ(import("entry.json", R"({"trigger":{"url-filter":"a"},"action":{"type":"block"}})"), noPackages);
    EXPECT_EQ(import("numbers.json", "[1, 2]"), noPackages);
    EXPECT_EQ(import("broken.json", "[{\"trigger\":"), noPackages);
    // Nothing readable in a list: no empty package.
    EXPECT_EQ(import("notify.json", R"([{"trigger":{"url-filter":"a"},"action":{"type":"notify"}}])"),
              said(R"(No new blockers were found. 1 rule could not be read and was left out: )"
                   R"(unknown action type "notify".)"));
    EXPECT_EQ(*catalog.customPackages(), before);

    // A package file still merges by id, and says what it skipped.
    EXPECT_EQ(import("package.orvanepkg", R"([{"id":"X","name":"Mine","rules":[
                  {"id":"a","name":"","content":{"trigger":{"url-filter":"a"},"action":{"type":"block"}}},
                  {"id":"c","name":"","content":{"trigger":{"url-filter":"c","resource-type":["beacon"]},
                   "action":{"type":"block"}}},
                  {"id":"d","name":"","content":{"trigger":{"url-filter":"d"},"action":{"type":"block"}}}]}])"),
              said(R"(Blockers were successfuly imported. 1 rule could not be read and was left out: )"
                   R"(unknown resource-type "beacon".)"));
    const auto& mine = catalog.customPackages()->front().rules;
    ASSERT_EQ(mine.size(), 3u);
    EXPECT_TRUE(isUpperCaseUUID(mine[1].id)) << "its id was taken, so it got a fresh one";
    EXPECT_EQ(mine[2].id, "d");
}
