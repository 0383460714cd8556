// orvanectl report and orvanectl cloud reports on an embedded cloud, and a report that cannot go.

#include "support/Json.h"
#include "support/Orvanectl.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace orvane::test;

TEST(ReportCommand, PostsTheReportAndTheCloudsOwnerListsIt) {
    TempHome home;
    const std::string cloud = "sqlite:" + (home.home() / "Cloud").string();
    ::setenv("ORVANE_CLOUD", cloud.c_str(), 1);

    auto empty = runOrvanectl({"cloud", "reports"});
    EXPECT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_EQ(empty.out, "No reports.\n");

    auto sent = runOrvanectl({"report", "emptySpace", "example.com/article?id=9", "--comment", "Gap above\nthe title"});
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    EXPECT_NE(sent.out.find("url: https://example.com/article?id=9\n"), std::string::npos) << sent.out;
    EXPECT_NE(sent.out.find("Report sent.\n"), std::string::npos) << sent.out;
    EXPECT_NE(sent.err.find("Successfuly posted report."), std::string::npos) << sent.err;

    auto listed = runOrvanectl({"cloud", "reports", "--json"});
    EXPECT_TRUE(listed.err.empty()) << listed.err;
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    auto reports = parsed(listed.out);
    ASSERT_TRUE(reports.IsArray() && reports.Size() == 1) << listed.out;
    const auto& report = reports[0];
    EXPECT_EQ(std::string(report["type"].GetString()), "emptySpace");
    EXPECT_EQ(std::string(report["url"].GetString()), "https://example.com/article?id=9");
    EXPECT_EQ(std::string(report["comment"].GetString()), "Gap above\nthe title");
    for (const char* key : {"recordName", "device", "appVersion", "osVersion"}) {
        EXPECT_TRUE(report.HasMember(key) && report[key].IsString()) << key;
    }
    auto text = runOrvanectl({"cloud", "reports", cloud});
    EXPECT_NE(text.out.find("  comment: Gap above\n    the title\n"), std::string::npos) << text.out;

    auto wrongType = runOrvanectl({"report", "broken", "https://example.com/"});
    EXPECT_EQ(wrongType.exitCode, 2);
    auto wrongAddress = runOrvanectl({"report", "brokenSite", "ftp://example.com/"});
    EXPECT_EQ(wrongAddress.exitCode, 1);
    EXPECT_NE(wrongAddress.err.find("Enter the page's web address"), std::string::npos) << wrongAddress.err;

    ::setenv("ORVANE_CLOUD", "none", 1);
    auto offline = runOrvanectl({"report", "brokenSite", "https://example.com/"});
    EXPECT_EQ(offline.exitCode, 1);
    EXPECT_NE(offline.err.find("Error reporting: "), std::string::npos) << offline.err;
    EXPECT_NE(offline.err.find("the report was not sent"), std::string::npos) << offline.err;
}
