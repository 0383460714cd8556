#include "BrowserTestSupport.h"

#include "browser/BrowserError.h"
#include "browser/ContentBlockerManager.h"
#include "browser/ExtensionSettings.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace orvane;
using namespace orvane::browser;
using orvane::browser::testing::TempHome;

namespace {

std::vector<ExtensionStatus> statuses() {
    BrowserError error;
    auto result = extensionStatuses(&error);
    EXPECT_TRUE(result.has_value()) << error.message;
    return result.value_or(std::vector<ExtensionStatus>{});
}

} // namespace

TEST(ExtensionSettings, BothExtensionsAreOnUntilSwitchedOff) {
    TempHome home;
    EXPECT_EQ(isExtensionEnabled(kContentBlockerIdentifier), true);
    EXPECT_EQ(isExtensionEnabled(kSafariExtensionIdentifier), true);
    EXPECT_EQ(statuses(), (std::vector<ExtensionStatus>{{kContentBlockerIdentifier, true},
                                                         {kSafariExtensionIdentifier, true}}));
    EXPECT_FALSE(std::filesystem::exists(extensionSettingsFile())) << "reading must not create the file";
}

TEST(ExtensionSettings, SwitchingOneLeavesTheOtherAndPersistsInTheHome) {
    TempHome home;
    ASSERT_TRUE(setExtensionEnabled(kSafariExtensionIdentifier, false));
    EXPECT_EQ(extensionSettingsFile(), home.home() / "Browser" / "ExtensionSettings.json");
    EXPECT_TRUE(std::filesystem::exists(extensionSettingsFile()));
    EXPECT_EQ(isExtensionEnabled(kSafariExtensionIdentifier), false);
    EXPECT_EQ(isExtensionEnabled(kContentBlockerIdentifier), true);

    ASSERT_TRUE(setExtensionEnabled(kContentBlockerIdentifier, false));
    ASSERT_TRUE(setExtensionEnabled(kContentBlockerIdentifier, false)) << "switching off twice is harmless";
    ASSERT_TRUE(setExtensionEnabled(kSafariExtensionIdentifier, true));
    EXPECT_EQ(statuses(), (std::vector<ExtensionStatus>{{kContentBlockerIdentifier, false},
                                                         {kSafariExtensionIdentifier, true}}));

    // Another home is another machine: nothing carries over.
    TempHome other;
    EXPECT_EQ(isExtensionEnabled(kContentBlockerIdentifier), true);
}

TEST(ExtensionSettings, UnknownIdentifiersAreErrorsAndChangeNothing) {
    TempHome home;
    BrowserError error;
    EXPECT_FALSE(isExtensionEnabled("larkmoor.BlockerMac.Other", &error).has_value());
    EXPECT_EQ(error.code, BrowserErrorCode::UnknownExtension);
    EXPECT_NE(error.message.find("larkmoor.BlockerMac.Other"), std::string::npos);

    error = {};
    EXPECT_FALSE(setExtensionEnabled("", false, &error));
    EXPECT_EQ(error.code, BrowserErrorCode::UnknownExtension);
    EXPECT_FALSE(std::filesystem::exists(extensionSettingsFile()));
}

TEST(ExtensionSettings, IdentifiersWrittenByOthersSurviveAWrite) {
    TempHome home;
    ASSERT_TRUE(writeFileAtomically(extensionSettingsFile(), R"({"disabled":["larkmoor.BlockerMac.Future"]})"));
    ASSERT_TRUE(setExtensionEnabled(kContentBlockerIdentifier, false));
    const auto text = readWholeFile(extensionSettingsFile());
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("larkmoor.BlockerMac.Future"), std::string::npos);
    EXPECT_EQ(isExtensionEnabled(kContentBlockerIdentifier), false);
    EXPECT_EQ(isExtensionEnabled(kSafariExtensionIdentifier), true);
}

TEST(ExtensionSettings, AnUnreadableFileIsAnErrorAndIsNotOverwritten) {
    const std::vector<std::string> damaged{"", "not json", "[]", R"({"disabled":"all"})",
                                           R"({"disabled":["larkmoor.BlockerMac.SafariExtension", 7]})"};
    for (const auto& contents : damaged) {
        SCOPED_TRACE(contents);
        TempHome home;
        ASSERT_TRUE(writeFileAtomically(extensionSettingsFile(), contents));
        BrowserError error;
        EXPECT_FALSE(isExtensionEnabled(kContentBlockerIdentifier, &error).has_value());
        EXPECT_EQ(error.code, BrowserErrorCode::SettingsUnreadable);
        EXPECT_FALSE(extensionStatuses().has_value());
        EXPECT_FALSE(setExtensionEnabled(kSafariExtensionIdentifier, false));
        EXPECT_EQ(readWholeFile(extensionSettingsFile()), contents);
    }
    TempHome home;
    std::filesystem::create_directories(extensionSettingsFile());
    BrowserError error;
    EXPECT_FALSE(isExtensionEnabled(kSafariExtensionIdentifier, &error).has_value());
    EXPECT_EQ(error.code, BrowserErrorCode::SettingsUnreadable);
}

TEST(ExtensionSettings, ConcurrentSwitchesOfDifferentExtensionsAreNotLost) {
    TempHome home;
    // Each thread switches only its own extension, so it must always read back what it wrote
    // last; a write of the other thread based on a stale read would undo it.
    auto flip = [](const char* identifier) {
        int lost = 0;
        for (int round = 0; round < 100; ++round) {
            const bool enabled = round % 2 == 1;
            EXPECT_TRUE(setExtensionEnabled(identifier, enabled));
            lost += isExtensionEnabled(identifier) != enabled ? 1 : 0;
        }
        EXPECT_EQ(lost, 0) << identifier;
    };
    std::thread blocker(flip, kContentBlockerIdentifier);
    std::thread extension(flip, kSafariExtensionIdentifier);
    blocker.join();
    extension.join();
    EXPECT_EQ(statuses(), (std::vector<ExtensionStatus>{{kContentBlockerIdentifier, true},
                                                         {kSafariExtensionIdentifier, true}}));
}
