#pragma once

#include "cloud/CloudRecord.h"
#include "platform/PropertyValue.h"

namespace orvane {

class UserDefaults;

// The record's system fields (identity and change tag, no values) as bytes; logs the tag.
Bytes encodeSystemFields(const CloudRecord& record);

// "RecordMetaData" of the group defaults: record name → system fields of the server's version
// that this machine last saw.
class RecordMetadata {
public:
    explicit RecordMetadata(UserDefaults& defaults) : defaults_(defaults) {}

    // Entries that are not bytes are left out; another shape reads as empty.
    PropertyDictionary load() const;
    // Writes the whole dictionary and synchronizes.
    void save(const PropertyDictionary& metadata);

    void storeMetadata(const CloudRecord& record);

private:
    UserDefaults& defaults_;
};

} // namespace orvane
