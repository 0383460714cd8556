#pragma once

#include "cloud/CloudError.h"
#include "cloud/CloudRecord.h"
#include "cloud/ServerChangeToken.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

enum class DatabaseScope { publicScope = 1, privateScope = 2 };

const char* databaseScopeName(DatabaseScope scope);

struct RecordZone {
    explicit RecordZone(std::string zoneName) : zoneID{std::move(zoneName)} {}

    RecordZoneID zoneID;
};

struct NotificationInfo {
    // Silent pushes that wake the receiver to fetch.
    bool shouldSendContentAvailable = false;
};

// Asks the store to push a notification to the user's other devices when the zone changes.
struct RecordZoneSubscription {
    // A new subscription gets a random id.
    explicit RecordZoneSubscription(RecordZoneID zone);
    RecordZoneSubscription(RecordZoneID zone, std::string subscriptionID);

    std::string subscriptionID;
    RecordZoneID zoneID;
    NotificationInfo notificationInfo;
};

enum class AccountStatus { couldNotDetermine = 0, available = 1, restricted = 2, noAccount = 3 };

// "Available", "Restricted", "No account" or "Could not determine", as logs and orvanectl show it.
const char* accountStatusText(AccountStatus status);

struct AccountStatusResult {
    AccountStatus status = AccountStatus::couldNotDetermine;
    std::optional<CloudError> error;
};

struct ModifyRecordZonesResult {
    std::vector<RecordZone> savedRecordZones;
    std::optional<CloudError> error;
};

struct ModifySubscriptionsResult {
    std::vector<RecordZoneSubscription> savedSubscriptions;
    std::optional<CloudError> error;
};

struct ModifyRecordsResult {
    std::vector<CloudRecord> savedRecords;
    std::vector<RecordID> deletedRecordIDs;
    std::optional<CloudError> error;
};

struct DeletedRecord {
    RecordID recordID;
    std::string recordType;
};

struct ZoneChangesResult {
    std::vector<CloudRecord> changedRecords;
    std::vector<DeletedRecord> deletedRecords;
    std::optional<ServerChangeToken> serverChangeToken;
    bool moreComing = false;
    std::optional<CloudError> error;
};

// The most items one modify request may carry.
inline constexpr std::size_t kMaximumItemsPerRequest = 400;
// Changes one fetch returns unless the request asks for another page size.
inline constexpr std::size_t kDefaultFetchPageSize = 200;

} // namespace orvane
