#include "cloud/PublishedRecords.h"

#include "cloud/CloudStorage.h"
#include "cloud/PostgresCloudStorage.h"
#include "cloud/SqliteCloudStorage.h"
#include "platform/Uuid.h"

#include <filesystem>

namespace orvane {
namespace {

std::vector<CloudRecord> readPublicRecords(CloudStorage& storage) {
    return storage.begin(false)->publicRecords();
}

} // namespace

std::variant<std::vector<CloudRecord>, CloudError> publishedRecords(const std::string& cloud,
                                                                    const std::string& containerIdentifier) {
    try {
        if (cloud.starts_with("postgresql://") || cloud.starts_with("postgres://")) {
            PostgresCloudStorage storage(std::make_shared<PostgresSession>(cloud, makeUUID()), containerIdentifier);
            return readPublicRecords(storage);
        }
        if (cloud.starts_with("sqlite:") && cloud.size() > 7) {
            const std::filesystem::path directory = cloud.substr(7);
            const std::filesystem::path file = directory / (containerIdentifier + ".sqlite");
            // Nothing posted yet; reading leaves no files behind.
            if (!std::filesystem::exists(file)) {
                return std::vector<CloudRecord>{};
            }
            auto account = std::make_shared<SqliteAccountDatabase>(directory / "Account.sqlite", makeUUID());
            SqliteCloudStorage storage(file, DatabaseScope::publicScope, std::move(account));
            return readPublicRecords(storage);
        }
    } catch (const CloudStorageFailure& failure) {
        return failure.error();
    }
    if (cloud == "none") {
        return CloudError::make(CloudErrorCode::notAuthenticated, "There is no cloud account (ORVANE_CLOUD is none)");
    }
    return CloudError::make(CloudErrorCode::invalidArguments,
                            "Unknown cloud '" + cloud + "': use sqlite:<dir> or postgresql://…");
}

} // namespace orvane
