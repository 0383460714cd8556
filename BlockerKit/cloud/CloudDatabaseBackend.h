#pragma once

#include "cloud/CloudTypes.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace orvane {

// The requests one database of a container answers, synchronously, from any thread. Every
// backend gives the same answers; the operations of CloudOperations.h run them on the store's
// threads.
class CloudDatabaseBackend {
public:
    virtual ~CloudDatabaseBackend() = default;

    virtual ModifyRecordZonesResult saveRecordZones(const std::vector<RecordZone>& zones) = 0;
    virtual ModifySubscriptionsResult saveSubscriptions(const std::vector<RecordZoneSubscription>& subscriptions) = 0;
    // Atomic: either every record is saved and every id deleted, or nothing is written.
    virtual ModifyRecordsResult modifyRecords(const std::vector<CloudRecord>& recordsToSave,
                                              const std::vector<RecordID>& recordIDsToDelete) = 0;
    // The changes after `token` (from the start without one), at most `resultsLimit` of them
    // (kDefaultFetchPageSize when 0).
    virtual ZoneChangesResult fetchZoneChanges(const RecordZoneID& zone, const std::optional<ServerChangeToken>& token,
                                               std::size_t resultsLimit) = 0;
};

} // namespace orvane
