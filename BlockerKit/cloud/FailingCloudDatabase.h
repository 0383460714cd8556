#pragma once

#include "cloud/CloudDatabaseBackend.h"

namespace orvane {

// A database that cannot be used: every request answers the same error.
class FailingCloudDatabase final : public CloudDatabaseBackend {
public:
    explicit FailingCloudDatabase(CloudError error) : error_(std::move(error)) {}

    ModifyRecordZonesResult saveRecordZones(const std::vector<RecordZone>&) override { return {{}, error_}; }
    ModifySubscriptionsResult saveSubscriptions(const std::vector<RecordZoneSubscription>&) override {
        return {{}, error_};
    }
    ModifyRecordsResult modifyRecords(const std::vector<CloudRecord>&, const std::vector<RecordID>&) override {
        return {{}, {}, error_};
    }
    ZoneChangesResult fetchZoneChanges(const RecordZoneID&, const std::optional<ServerChangeToken>&,
                                       std::size_t) override {
        ZoneChangesResult result;
        result.error = error_;
        return result;
    }

private:
    CloudError error_;
};

} // namespace orvane
