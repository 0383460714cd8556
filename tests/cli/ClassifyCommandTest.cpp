#include "inspector/RuleFixtures.h"

#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/JsonText.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <string>
#include <unistd.h>

using namespace orvane;

namespace {

class ClassifyCommand : public testing::Test {
protected:
    void SetUp() override {
        resources_ = home_.resources();
        const std::vector<Package> packages{
            Package{"block-ads", "Ads", {fixtures::urlRule("/ads/")}},
            Package{"block-trackers", "Trackers", {fixtures::urlRule("track\\?id=")}},
            Package{"block-facebook-widgets", "Facebook", {fixtures::urlRule("connect\\.facebook\\.net")}},
        };
        ASSERT_TRUE(writeFileAtomically(resources_ / "PreinstalledPackages.json", *toJSONString(packages)));
    }

    // Standard output of a shell command line that runs the orvanectl of this build on the fixture.
    std::string run(const std::string& commandLine, int* status = nullptr) const {
        const std::string full = "export PATH='" ORVANE_BIN_DIR "':\"$PATH\"; " + commandLine;
        FILE* pipe = ::popen(full.c_str(), "r");
        std::string output;
        char buffer[4096];
        for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        const int result = pipe != nullptr ? ::pclose(pipe) : -1;
        if (status != nullptr) {
            *status = WEXITSTATUS(result);
        }
        return output;
    }

    test::TempHome home_;
    std::filesystem::path resources_;
};

} // namespace

TEST_F(ClassifyCommand, PrintsOneLinePerUrlThenTheTotals) {
    int status = -1;
    const auto output = run("orvanectl classify 'https://x.com/ads/a.gif=120' 'https://t.com/track?id=5=0' "
                                "https://connect.facebook.net/sdk.js=30 https://ok.com/page=7 https://x.com/ADS/b=3",
                            &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output, "ad\thttps://x.com/ads/a.gif\n"
                      "tracker\thttps://t.com/track?id=5\n"
                      "widget\thttps://connect.facebook.net/sdk.js\n"
                      "none\thttps://ok.com/page\n"
                      "ad\thttps://x.com/ADS/b\n"
                      "total\tad\t2\t123\n"
                      "total\ttracker\t1\t0\n"
                      "total\twidget\t1\t30\n"
                      "total\tnone\t1\t7\n");
}

TEST_F(ClassifyCommand, ReadsUrlsFromStandardInputAndWritesJson) {
    const auto output =
        run("printf 'https://x.com/ads/1=5\\r\\n\\nhttps://t.com/track?id=9\\n' | orvanectl classify --json");
    auto document = parseJson(output);
    ASSERT_TRUE(document) << output;
    EXPECT_EQ(serializeJson(*document),
              std::optional<std::string>(
                  R"({"resources":[{"url":"https://x.com/ads/1","category":"ad","bytes":5},)"
                  R"({"url":"https://t.com/track?id","category":"none","bytes":9}],)"
                  R"("totals":{"ad":{"count":1,"bytes":5},"tracker":{"count":0,"bytes":0},)"
                  R"("widget":{"count":0,"bytes":0},"none":{"count":1,"bytes":9}}})"));
}

TEST_F(ClassifyCommand, RefusesBadInputAndAMissingPackageFile) {
    int status = -1;
    run("orvanectl classify --bogus https://x.com/ 2>/dev/null", &status);
    EXPECT_EQ(status, 2);
    run("orvanectl classify https://x.com/=99999999999999999999999 2>/dev/null", &status);
    EXPECT_EQ(status, 2);
    std::filesystem::remove(resources_ / "PreinstalledPackages.json");
    const auto output = run("orvanectl --quiet classify https://x.com/ 2>&1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output, "orvanectl: Invalid filepath for PreinstalledPackages.json\n");
}
