#pragma once

namespace orvane {

inline constexpr const char* kSyncContainerIdentifier = "iCloud.larkmoor.Blocker";
inline constexpr const char* kSyncZoneName = "BlockerRulesZone";

inline constexpr const char* kPackageRecordType = "package";
inline constexpr const char* kRuleRecordType = "rule";

// The sync state kept in the group defaults. The subscription key keeps the spelling that
// existing installations already wrote.
struct SyncKeys {
    static constexpr const char* ExistingDataMarkedAsAdded = "ExistingDataMarkedAsAdded";
    static constexpr const char* ZoneSaved = "ZoneSaved";
    static constexpr const char* ZoneSubscribtionID = "ZoneSubscribtionID";
    static constexpr const char* RecordMetaData = "RecordMetaData";
    static constexpr const char* ServerToken = "ServerToken";
};

} // namespace orvane
