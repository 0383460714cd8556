#include "sync/RecordMetadata.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "sync/SyncKeys.h"

namespace orvane {

Bytes encodeSystemFields(const CloudRecord& record) {
    log("Changetag for " + record.recordID().recordName + ": " + record.recordChangeTag().value_or("none"));
    return record.encodeSystemFields();
}

PropertyDictionary RecordMetadata::load() const {
    PropertyDictionary metadata = defaults_.dictionaryForKey(SyncKeys::RecordMetaData).value_or(PropertyDictionary{});
    std::erase_if(metadata, [](const auto& entry) { return !entry.second.isBytes(); });
    return metadata;
}

void RecordMetadata::save(const PropertyDictionary& metadata) {
    defaults_.set(SyncKeys::RecordMetaData, metadata);
    defaults_.synchronize();
}

void RecordMetadata::storeMetadata(const CloudRecord& record) {
    PropertyDictionary metadata = load();
    metadata[record.recordID().recordName] = encodeSystemFields(record);
    save(metadata);
}

} // namespace orvane
