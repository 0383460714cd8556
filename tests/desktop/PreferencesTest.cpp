// The preferences pane: where the switches are kept, moved when the user changes the choice.

#include "DesktopHarness.h"

#include "cloud/KeyValueStore.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"

#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>

using namespace orvane;
using namespace orvane::test;

namespace {

using PreferencesTest = DesktopTest;

const PropertyValue kDisabledPackages = toPropertyValue({"block-ads"});
const PropertyValue kDisabledRules = PropertyValue(PropertyDictionary{{"block-url", toPropertyValue({"R1"})}});

} // namespace

TEST_F(PreferencesTest, TurningTheCheckboxOffAndOnMovesTheSwitchesToTheCloudAndBack) {
    markLaunchedBefore();
    UserDefaults& group = UserDefaults::group();
    group.set(kStorePreferencesLocally, true);
    group.set(kDisabledUserPreferenceForPackages, kDisabledPackages);
    group.set(kDisabledUserPreferenceForRules, kDisabledRules);
    group.synchronize();
    RunningApp running;
    running.settleCore();

    running.app().activate_action("preferences");
    auto* pane = running.app().preferencesPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return pane->window().get_mapped(); }));
    Gtk::CheckButton& local = pane->localPrefs();
    EXPECT_TRUE(local.get_visible());
    EXPECT_TRUE(local.get_active());
    EXPECT_FALSE(pane->betaDisclaimerMessage().get_visible());
    // A sentence under the checkbox says what the choice means.
    bool explained = false;
    for (Gtk::Widget* widget : descendants(pane->window())) {
        explained |= widget->get_visible() && textOf(*widget).find("cloud account") != std::string::npos;
    }
    EXPECT_TRUE(explained);

    local.set_active(false);
    EXPECT_EQ(group.boolForKey(kStorePreferencesLocally), false);
    EXPECT_FALSE(group.object(kDisabledUserPreferenceForPackages));
    EXPECT_FALSE(group.object(kDisabledUserPreferenceForRules));
    EXPECT_EQ(KeyValueStore::shared().object(kDisabledUserPreferenceForPackages), kDisabledPackages);
    EXPECT_EQ(KeyValueStore::shared().object(kDisabledUserPreferenceForRules), kDisabledRules);

    local.set_active(true);
    EXPECT_EQ(group.boolForKey(kStorePreferencesLocally), true);
    EXPECT_EQ(group.object(kDisabledUserPreferenceForPackages), kDisabledPackages);
    EXPECT_EQ(group.object(kDisabledUserPreferenceForRules), kDisabledRules);

    // Another process (orvanectl prefs cloud) changes the choice while the pane is closed: it shows
    // the new state when it comes back, and showing it moves nothing.
    pane->window().close();
    group.set(kStorePreferencesLocally, false);
    group.synchronize();
    running.app().activate_action("preferences");
    ASSERT_TRUE(pumpUntil([&] { return pane->window().get_mapped(); }));
    EXPECT_FALSE(local.get_active());
    EXPECT_EQ(group.object(kDisabledUserPreferenceForPackages), kDisabledPackages);
    EXPECT_EQ(group.boolForKey(kStorePreferencesLocally), false);
}
