#pragma once

#include "cloud/CloudDatabaseBackend.h"
#include "cloud/CloudStorage.h"

#include <memory>
#include <string>

namespace orvane {

// The rules of the record store, the same over every storage: change tags and conflicts, atomic
// modifications, limits, tombstones and paged change history, pushes to subscribed devices,
// and a public database that takes new records and shows none.
class StoredCloudDatabase final : public CloudDatabaseBackend {
public:
    StoredCloudDatabase(std::shared_ptr<CloudStorage> storage, std::string containerIdentifier, DatabaseScope scope);

    ModifyRecordZonesResult saveRecordZones(const std::vector<RecordZone>& zones) override;
    ModifySubscriptionsResult saveSubscriptions(const std::vector<RecordZoneSubscription>& subscriptions) override;
    ModifyRecordsResult modifyRecords(const std::vector<CloudRecord>& recordsToSave,
                                      const std::vector<RecordID>& recordIDsToDelete) override;
    ZoneChangesResult fetchZoneChanges(const RecordZoneID& zone, const std::optional<ServerChangeToken>& token,
                                       std::size_t resultsLimit) override;

private:
    ModifyRecordsResult modifyPrivateRecords(const std::vector<CloudRecord>& recordsToSave,
                                             const std::vector<RecordID>& recordIDsToDelete);
    ModifyRecordsResult addPublicRecords(const std::vector<CloudRecord>& recordsToSave,
                                         const std::vector<RecordID>& recordIDsToDelete);

    std::shared_ptr<CloudStorage> storage_;
    std::string containerIdentifier_;
    DatabaseScope scope_;
};

} // namespace orvane
