#include "cloud/CloudBackend.h"

#include "cloud/PostgresCloudBackend.h"
#include "cloud/SqliteCloudBackend.h"
#include "cloud/UnavailableCloudBackend.h"
#include "platform/Locations.h"

namespace orvane {

std::shared_ptr<CloudBackend> CloudBackend::make(const std::string& specification) {
    const auto localValues = orvaneHome() / "LocalKeyValueStore.sqlite";
    if (specification == "none") {
        return std::make_shared<UnavailableCloudBackend>(
            AccountStatusResult{AccountStatus::noAccount, std::nullopt},
            CloudError::make(CloudErrorCode::notAuthenticated, "This request requires an authenticated account"),
            localValues);
    }
    if (specification.starts_with("sqlite:") && specification.size() > 7) {
        return std::make_shared<SqliteCloudBackend>(specification.substr(7));
    }
    if (specification.starts_with("postgresql://") || specification.starts_with("postgres://")) {
        return std::make_shared<PostgresCloudBackend>(specification);
    }
    CloudError unknown = CloudError::make(CloudErrorCode::invalidArguments,
                                          "Unknown cloud '" + specification + "': use sqlite:<dir>, postgresql://… or none");
    return std::make_shared<UnavailableCloudBackend>(AccountStatusResult{AccountStatus::couldNotDetermine, unknown},
                                                     unknown, localValues);
}

std::shared_ptr<CloudBackend> CloudBackend::shared() {
    // The notification centre must outlive the backend, whose threads post to it until they stop.
    NotificationCenter::shared();
    static const std::shared_ptr<CloudBackend> backend = make(cloudSpecification());
    return backend;
}

} // namespace orvane
