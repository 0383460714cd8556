#include "cloud/CloudBackend.h"

#include "cloud/PostgresCloudBackend.h"
#include "cloud/SqliteCloudBackend.h"
#include "cloud/UnavailableCloudBackend.h"
#include "platform/HomeInstances.h"
#include "platform/Locations.h"

namespace orvane {

std::shared_ptr<CloudBackend> CloudBackend::make(const std::string& cloud) {
    const auto localValues = orvaneHome() / "LocalKeyValueStore.sqlite";
    if (cloud == "none") {
        return std::make_shared<UnavailableCloudBackend>(
            AccountStatusResult{AccountStatus::noAccount, std::nullopt},
            CloudError::make(CloudErrorCode::notAuthenticated, "This request requires an authenticated account"),
            localValues);
    }
    if (cloud.starts_with("sqlite:") && cloud.size() > 7) {
        return std::make_shared<SqliteCloudBackend>(cloud.substr(7));
    }
    if (cloud.starts_with("postgresql://") || cloud.starts_with("postgres://")) {
        return std::make_shared<PostgresCloudBackend>(cloud);
    }
    CloudError unknown = CloudError::make(CloudErrorCode::invalidArguments,
                                          "Unknown cloud '" + cloud + "': use sqlite:<dir>, postgresql://… or none");
    return std::make_shared<UnavailableCloudBackend>(AccountStatusResult{AccountStatus::couldNotDetermine, unknown},
                                                     unknown, localValues);
}

std::string CloudBackend::sharedKey() { return cloudSetting() + "\n" + orvaneHome().string(); }

std::shared_ptr<CloudBackend> CloudBackend::shared() {
    // The notification centre must outlive the backends, whose threads post to it until they stop.
    NotificationCenter::shared();
    static HomeInstances<CloudBackend> backends;
    return backends.get(sharedKey(), [] { return make(cloudSetting()); });
}

} // namespace orvane
