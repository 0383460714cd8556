#pragma once

#include "platform/PropertyValue.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace orvane {

// Every database has this zone; records made without a zone live in it.
inline constexpr const char* kDefaultZoneName = "_defaultZone";

struct RecordZoneID {
    std::string zoneName = kDefaultZoneName;

    auto operator<=>(const RecordZoneID&) const = default;
};

struct RecordID {
    std::string recordName;
    RecordZoneID zoneID;

    auto operator<=>(const RecordID&) const = default;
};

// The store only knows links that do nothing when their target goes away.
enum class ReferenceAction { none = 0 };

// A link to another record of the same zone.
struct RecordReference {
    RecordID recordID;
    ReferenceAction action = ReferenceAction::none;

    bool operator==(const RecordReference&) const = default;
};

using RecordValue = std::variant<std::string, std::int64_t, double, bool, std::vector<std::string>, RecordReference>;
using RecordFields = std::vector<std::pair<std::string, RecordValue>>;

// A record of the cloud store: a type, an identity, the server's change tag once saved, and
// ordered keys with values. A save sends only the keys set (or removed) since the record was
// made or came from the store, so keys it never touched keep their server values.
class CloudRecord {
public:
    CloudRecord(std::string recordType, RecordID recordID);

    // A record as the store holds it: tagged, with values and nothing to send.
    static CloudRecord stored(std::string recordType, RecordID recordID, std::string changeTag,
                              RecordFields fields);

    const std::string& recordType() const { return recordType_; }
    const RecordID& recordID() const { return recordID_; }
    const std::optional<std::string>& recordChangeTag() const { return changeTag_; }

    std::vector<std::string> allKeys() const;
    const RecordFields& fields() const { return fields_; }
    const RecordValue* object(std::string_view key) const;
    // No value removes the key.
    void set(const std::string& key, std::optional<RecordValue> value);
    const std::vector<std::string>& changedKeys() const { return changedKeys_; }

    // Identity and change tag, no values: enough to re-create the record so that the next save
    // modifies the server's version.
    Bytes encodeSystemFields() const;
    // Absent when the bytes are not system fields of a record.
    static std::optional<CloudRecord> decodeSystemFields(const Bytes& bytes);

    // Equal type, identity, tag and values; pending changes do not count.
    bool operator==(const CloudRecord& other) const;

private:
    std::string recordType_;
    RecordID recordID_;
    std::optional<std::string> changeTag_;
    RecordFields fields_;
    std::vector<std::string> changedKeys_;
};

} // namespace orvane
