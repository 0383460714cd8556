#pragma once

#include "cloud/CloudBackend.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace orvane::test {

inline constexpr const char* kSyncContainer = "iCloud.larkmoor.Blocker";
inline constexpr const char* kReportContainer = "iCloud.larkmoor.Blocker.Report";

// The superuser URI of the test server (scripts/start-test-postgres.sh), absent without one.
std::optional<std::string> postgresAdminURI();
bool runningInCI();
// A new user of the test server, its schema in place; the URI its ORVANE_CLOUD names.
std::string newPostgresUser();

// Skips a PostgreSQL test when no test server was named, except in CI, where that fails.
#define ORVANE_REQUIRE_TEST_POSTGRES()                                                                   \
    do {                                                                                                 \
        if (!::orvane::test::postgresAdminURI()) {                                                    \
            if (::orvane::test::runningInCI()) {                                                      \
                FAIL() << "CI=true but ORVANE_TEST_POSTGRES_URI is not set: .ci/run starts the server";  \
            }                                                                                            \
            GTEST_SKIP() << "ORVANE_TEST_POSTGRES_URI is not set; eval \"$(scripts/start-test-postgres.sh)\"";\
        }                                                                                                \
    } while (false)

// Waits for `done`, checking every few milliseconds, at most `timeout`.
bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// One account of a cloud kind ("SQLite" or "PostgreSQL") for the tests that run on both. Each
// device() is another machine of the same user.
class TestCloud {
public:
    explicit TestCloud(const std::string& kind);

    const std::string& accountName() const { return accountName_; }
    std::shared_ptr<CloudBackend> device() const { return CloudBackend::make(accountName_); }

private:
    TemporaryDirectory directory_;
    std::string accountName_;
};

} // namespace orvane::test
