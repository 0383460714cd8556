#include "cloud/CloudTypes.h"

#include "platform/Uuid.h"

namespace orvane {

const char* databaseScopeName(DatabaseScope scope) {
    return scope == DatabaseScope::publicScope ? "public" : "private";
}

RecordZoneSubscription::RecordZoneSubscription(RecordZoneID zone)
    : RecordZoneSubscription(std::move(zone), makeUUID()) {}

RecordZoneSubscription::RecordZoneSubscription(RecordZoneID zone, std::string id)
    : subscriptionID(std::move(id)), zoneID(std::move(zone)) {}

const char* accountStatusText(AccountStatus status) {
    switch (status) {
    case AccountStatus::available:
        return "Available";
    case AccountStatus::restricted:
        return "Restricted";
    case AccountStatus::noAccount:
        return "No account";
    case AccountStatus::couldNotDetermine:
        break;
    }
    return "Could not determine";
}

} // namespace orvane
