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

} // namespace orvane
