// A new preinstalled package file, such as one made from a new version of EasyList, is a new
// build: the build number carries the file's digest, and the launch installs the preinstalled
// packages once per build number.

#include "app/BuildInfo.h"
#include "app/LaunchSequence.h"
#include "platform/AtomicFile.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

TEST(BuildInfo, TheBuildNumberCarriesTheDigestOfThePreinstalledPackageFile) {
    const auto text = orvane::readWholeFile(std::filesystem::path(ORVANE_BUILD_RESOURCES) / "PreinstalledPackages.json");
    ASSERT_TRUE(text.has_value());
    std::unique_ptr<gchar, decltype(&g_free)> digest(
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(text->data()), text->size()),
        g_free);
    const std::string suffix = "." + std::string(digest.get()).substr(0, 8);
    EXPECT_TRUE(orvane::buildNumber().ends_with(suffix)) << orvane::buildNumber();
    EXPECT_EQ(orvane::didLaunchOnceBuildKey(), "DidLaunchOnceBuild" + orvane::buildNumber());
}
