#include "cloud/TestClouds.h"

#include "cloud/PostgresSchema.h"
#include "platform/Uuid.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <thread>

namespace orvane::test {

std::optional<std::string> postgresAdminURI() {
    const char* uri = std::getenv("ORVANE_TEST_POSTGRES_URI");
    if (uri == nullptr || *uri == '\0') {
        return std::nullopt;
    }
    return std::string(uri);
}

bool runningInCI() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

std::string newPostgresUser() {
    const std::string admin = postgresAdminURI().value_or("");
    if (auto error = initializeCloudSchema(admin)) {
        ADD_FAILURE() << "cannot set up the schema: " << error->localizedDescription;
        return {};
    }
    std::string name = "user_" + makeUUID().substr(0, 8);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    auto answer = addCloudUser(admin, name);
    if (const auto* error = std::get_if<CloudError>(&answer)) {
        ADD_FAILURE() << "cannot add a user: " << error->localizedDescription;
        return {};
    }
    return std::get<std::string>(answer);
}

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

TestCloud::TestCloud(const std::string& kind)
    : accountName_(kind == "PostgreSQL" ? newPostgresUser() : "sqlite:" + (directory_.path() / "Cloud").string()) {}

} // namespace orvane::test
