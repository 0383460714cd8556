// orvanectl convert: a filter list becomes a package file that imports like any other, and the
// next version of the list converts to the same ids.

#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kListVersion1 = "[Adblock Plus 2.0]\n! Title: Tiny List\n||ads.test^\nnews.test##.banner\n"
                                      "||x.test^$csp=script-src 'none'\n";
constexpr const char* kListVersion2 = "[Adblock Plus 2.0]\n! Title: Tiny List\n||new.test^$script\n||ads.test^\n"
                                      "news.test##.banner\n||x.test^$csp=script-src 'none'\n";

std::vector<Package> packagesIn(const std::string& text) {
    const auto document = parseJson(text);
    EXPECT_TRUE(document && document->IsArray()) << text;
    return document ? packagesFromJSON(*document) : std::vector<Package>{};
}

} // namespace

TEST(ConvertCommand, AListBecomesAPackageFileWhoseIdsSurviveTheNextVersion) {
    TempHome home;
    writeText(home.resources() / "PreinstalledPackages.json", *toJSONString(std::vector<Package>{}));
    const fs::path list = home.home() / "Downloads" / "tiny.txt";
    writeText(list, kListVersion1);
    const Environment environment{{"HOME", home.home().string()}, {"XDG_DATA_HOME", (home.home() / "data").string()}};

    const auto converted = orvanectl({"--quiet", "convert", list.string()}, "", environment);
    ASSERT_EQ(converted.exitCode, 0) << converted.err;
    EXPECT_NE(converted.err.find("Tiny List: 3 filters read, 2 rules written, 1 skipped"), std::string::npos)
        << converted.err;
    EXPECT_NE(converted.err.find("$csp 1"), std::string::npos) << converted.err;
    const auto packages = packagesIn(converted.out);
    ASSERT_EQ(packages.size(), 1u);
    const Package& package = packages.front();
    EXPECT_EQ(package.name, "Tiny List");
    ASSERT_EQ(package.rules.size(), 2u);
    EXPECT_EQ(package.rules[0].name, ".banner");
    EXPECT_EQ(package.rules[1].name, "ads.test");

    // Imported as the user imports a package file: it lands among the custom packages.
    const fs::path file = home.home() / "Downloads" / "tiny.orvanepkg";
    writeText(file, converted.out);
    const auto imported = orvanectl({"--quiet", "import", file.string()}, "", environment);
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    const auto listed = orvanectl({"--quiet", "rules", package.id, "--json"}, "", environment);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find(package.rules[1].id), std::string::npos) << listed.out;

    // The next version of the list: the same package and the same ids for the same filters.
    writeText(list, kListVersion2);
    const auto next = orvanectl({"--quiet", "convert", list.string()}, "", environment);
    ASSERT_EQ(next.exitCode, 0) << next.err;
    const auto updated = packagesIn(next.out);
    ASSERT_EQ(updated.size(), 1u);
    EXPECT_EQ(updated.front().id, package.id);
    ASSERT_EQ(updated.front().rules.size(), 3u);
    EXPECT_EQ(updated.front().rules[0], package.rules[0]);
    EXPECT_EQ(updated.front().rules[2], package.rules[1]);

    const auto named = orvanectl({"--quiet", "convert", list.string(), "--name", "Mine", "--id", "my-list"});
    const auto renamed = packagesIn(named.out);
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed.front().id, "my-list");
    EXPECT_EQ(renamed.front().name, "Mine");
    EXPECT_NE(renamed.front().rules[2].id, package.rules[1].id) << "ids belong to their package";

    const auto missing = orvanectl({"--quiet", "convert", (home.home() / "nowhere.txt").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("could not be read"), std::string::npos) << missing.err;
    EXPECT_EQ(orvanectl({"--quiet", "convert"}).exitCode, 2);
    EXPECT_EQ(orvanectl({"--quiet", "convert", list.string(), "--name"}).exitCode, 2);
}
