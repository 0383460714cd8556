// A list WebKit refuses names the rule it refuses: the search over parts of the list, and the
// whole story with WebKit, from a rule planted in a package file to the rebuild that succeeds once
// that rule is switched off.

#include "output/RefusedListSearch.h"

#include "app/CoreServices.h"
#include "app/ExtensionSignals.h"
#include "catalog/DataManager.h"
#include "model/EditorInput.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/ShownMessages.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "support/Fixtures.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

// A stand-in for WebKit: refuses a part that holds `refused`, or that holds all of `together`.
struct FakeCompiler {
    std::set<std::size_t> refused;
    std::vector<std::size_t> together;
    std::size_t compiles = 0;

    ListVerdict operator()(std::size_t begin, std::size_t end) {
        ++compiles;
        for (std::size_t i = begin; i < end; ++i) {
            if (refused.contains(i)) {
                return ListVerdict{ListVerdict::Kind::Refused, "refused " + std::to_string(i)};
            }
        }
        const bool all = !together.empty() && std::all_of(together.begin(), together.end(),
                                                          [&](std::size_t i) { return i >= begin && i < end; });
        return all ? ListVerdict{ListVerdict::Kind::Refused, "refused together"} : ListVerdict{};
    }
};

std::size_t log2Ceiling(std::size_t count) { return static_cast<std::size_t>(std::ceil(std::log2(count))); }

} // namespace

TEST(RefusedListSearch, FindsTheRuleWithinAboutLog2CompilesOfParts) {
    FakeCompiler one{{613}, {}};
    auto found = searchRefusedList(1000, "refused", std::ref(one));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->index, 613u);
    EXPECT_EQ(found->reason, "refused 613");
    EXPECT_LE(one.compiles, 2 * log2Ceiling(1000));

    // The first of two refused rules, whichever half it falls in.
    FakeCompiler two{{17, 980}, {}};
    EXPECT_EQ(searchRefusedList(1000, "refused", std::ref(two))->index, 17u);

    // A refusal that needs two rules in different halves: the later of them, which the earlier one
    // makes WebKit refuse.
    FakeCompiler pair{{}, {120, 871}};
    found = searchRefusedList(1000, "refused together", std::ref(pair));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->index, 871u);
    EXPECT_LE(pair.compiles, 3 * log2Ceiling(1000));

    // A list of one rule is that rule, with the refusal as it came.
    FakeCompiler none;
    found = searchRefusedList(1, "the list's refusal", std::ref(none));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->index, 0u);
    EXPECT_EQ(found->reason, "the list's refusal");
    EXPECT_EQ(none.compiles, 0u);

    // A compile without an answer ends the search without a rule.
    std::size_t calls = 0;
    EXPECT_FALSE(searchRefusedList(1000, "refused", [&](std::size_t, std::size_t) {
        ++calls;
        return ListVerdict{ListVerdict::Kind::Failed, "crashed"};
    }));
    EXPECT_EQ(calls, 1u);
}

TEST(RefusedListSearch, APlantedRuleIsNamedAndSwitchingItOffLetsTheNextRebuildSucceed) {
    TempHome home;
    UserDefaults::group().set(kStorePreferencesLocally, true);
    DataManager::shared().setPreinstalledPackages({makePackage("block-ads", "Ads", {blockRule("ads", "ads")})});
    // Written straight into the package file, as no editor, import or sync would let it in.
    std::vector<Rule> rules;
    for (int i = 0; i < 40; ++i) {
        rules.push_back(blockRule("good-" + std::to_string(i), "tracker" + std::to_string(i) + "\\.js"));
    }
    rules.insert(rules.begin() + 27, blockRule("bad", "x{2}", "Twice x"));
    writeSharedPackages("CustomPackages.json", {makePackage("mine", "My rules", rules)});
    CoreServices services;

    LogCapture log;
    std::optional<ReloadOutcome> outcome;
    rebuildContentBlocker([&](const ReloadOutcome& told) { outcome = told; });
    ASSERT_TRUE(services.waitUntilSettled(300s));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, ReloadOutcome::Kind::Failed);
    EXPECT_EQ(outcome->message,
              "WebKit refuses the rule \"Twice x\" of the package \"My rules\": Invalid or unsupported regular "
              "expression. The URL filter uses \"{2}\", which content blockers do not support. Disable the rule to "
              "have the other rules applied again.");
    ASSERT_TRUE(outcome->rejectedRule);
    EXPECT_EQ(outcome->rejectedRule->packageId, "mine");
    EXPECT_EQ(outcome->rejectedRule->ruleId, "bad");
    EXPECT_TRUE(log.contains("Error reloading Safari JSON: Invalid or unsupported regular expression."));

    // A save meanwhile tells the user the same, with the ids a window needs to offer the switch.
    std::vector<Notification> notes;
    ObserverRegistration seen(kDisplayInformation, [&](const Notification& note) { notes.push_back(note); });
    EditorInput input;
    input.urlFilter = "banner\\.gif";
    ASSERT_TRUE(services.rules().saveRule("block-url", ConfigurablePackageType::BlockURL, input, {}));
    ASSERT_TRUE(services.waitUntilSettled(300s));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes.front().stringValue("message"), outcome->message);
    EXPECT_EQ(notes.front().boolValue("warning"), true);
    EXPECT_EQ(notes.front().stringValue(kRejectedPackageIdKey), "mine");
    EXPECT_EQ(notes.front().stringValue(kRejectedRuleIdKey), "bad");

    std::optional<ReloadOutcome> after;
    ASSERT_TRUE(
        services.switches().setRulesEnabled("mine", {"bad"}, false, [&](const ReloadOutcome& told) { after = told; }));
    ASSERT_TRUE(services.waitUntilSettled(300s));
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->isReloaded()) << after->message;
    EXPECT_EQ(notes.size(), 1u);
}
