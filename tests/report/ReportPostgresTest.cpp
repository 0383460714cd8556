// Reports on a PostgreSQL cloud: every user may post one, nobody but the server's administrator
// may read them, even an administrator who is not a superuser.

#include "app/ProblemReports.h"
#include "cloud/PostgresConnection.h"
#include "cloud/PostgresSchema.h"
#include "cloud/TestClouds.h"
#include "platform/MainQueue.h"
#include "platform/Uuid.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

std::string lowerSuffix() {
    std::string suffix = makeUUID().substr(0, 8);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return std::tolower(c); });
    return suffix;
}

// The superuser's URI with another login and database: "postgresql://LOGIN@HOST:PORT/DATABASE".
std::string withLogin(const std::string& superuser, const std::string& login, const std::string& database) {
    const auto at = superuser.find('@');
    const auto slash = superuser.find('/', at);
    return "postgresql://" + login + superuser.substr(at, slash - at) + "/" + database;
}

} // namespace

TEST(ReportPostgres, AUsersReportIsReadByTheAdministratorAndNotByTheUser) {
    ORVANE_REQUIRE_TEST_POSTGRES();
    TempHome home;
    // A database of its own run by an administrator who may create roles and schemas but is no
    // superuser, as the README describes.
    const std::string superuser = *postgresAdminURI();
    const std::string suffix = lowerSuffix();
    const std::string administrator = "report_admin_" + suffix;
    const std::string database = "reports_" + suffix;
    PostgresConnection setup(superuser);
    setup.execute(("CREATE ROLE " + administrator + " LOGIN CREATEROLE PASSWORD 'admin-secret'").c_str());
    setup.execute(("CREATE DATABASE " + database + " OWNER " + administrator).c_str());
    // Newer servers let a role that creates roles put them only in groups it administers.
    setup.execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'orvane_users') THEN "
                  "CREATE ROLE orvane_users NOLOGIN; END IF; END $$");
    setup.execute(("GRANT orvane_users TO " + administrator + " WITH ADMIN OPTION").c_str());
    const std::string adminURI = withLogin(superuser, administrator + ":admin-secret", database);
    ASSERT_FALSE(initializeCloudSchema(adminURI));
    auto user = addCloudUser(adminURI, "reporter_" + suffix);
    ASSERT_TRUE(std::holds_alternative<std::string>(user)) << std::get<CloudError>(user).localizedDescription;
    const std::string userURI = std::get<std::string>(user);

    ::setenv("ORVANE_CLOUD", userURI.c_str(), 1);
    auto report = prepareReport(ReportType::brokenSite, "https://example.com/checkout?step=2", "",
                                ReportingMachine{"Linux computer", "0.1.0 (1)", "Debian GNU/Linux 12 (bookworm)"});
    ASSERT_TRUE(report);
    std::optional<bool> saved;
    postReport(*report, [&saved](bool answer, const std::optional<CloudError>&) { saved = answer; });
    ASSERT_TRUE(runMainLoopUntil([&] { return saved.has_value(); }, 60s));
    EXPECT_TRUE(*saved);

    auto byUser = postedReports(userURI);
    ASSERT_TRUE(std::holds_alternative<CloudError>(byUser));
    EXPECT_EQ(std::get<CloudError>(byUser).code, CloudErrorCode::permissionFailure);

    auto byAdministrator = postedReports(adminURI);
    ASSERT_TRUE(std::holds_alternative<std::vector<PostedReport>>(byAdministrator))
        << std::get<CloudError>(byAdministrator).localizedDescription;
    const auto& reports = std::get<std::vector<PostedReport>>(byAdministrator);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].values, (std::vector<std::pair<std::string, std::string>>{
                                     {"type", "brokenSite"},
                                     {"url", "https://example.com/checkout?step=2"},
                                     {"device", "Linux computer"},
                                     {"appVersion", "0.1.0 (1)"},
                                     {"osVersion", "Debian GNU/Linux 12 (bookworm)"}}));
}
