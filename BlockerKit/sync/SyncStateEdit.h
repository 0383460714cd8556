#pragma once

#include "cloud/CloudRecord.h"
#include "platform/PropertyValue.h"
#include "sync/LocalChangesQueue.h"
#include "sync/RecordMapping.h"

#include <map>
#include <string>
#include <vector>

namespace orvane {

// Several changes of the local changes queue and the record metadata made on the group
// defaults' values in place, inside one read-modify-write of the file (UserDefaults::update):
// with thousands of queued rules, each separate write would rewrite them all again.
class SyncStateEdit {
public:
    explicit SyncStateEdit(PropertyDictionary& domain) : domain_(domain) {}

    // As LocalChangesQueue::removeUploaded.
    void removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind);
    // As LocalChangesQueue::unmarkDeleted.
    void unmarkDeleted(const std::vector<std::string>& names, LocalDeleteKeys kind);
    // As LocalChangesQueue::forget.
    void forget(const std::string& name);
    void setMetadata(const std::string& name, Bytes systemFields);
    void eraseMetadata(const std::string& name);

private:
    // The dictionary under `key`, made when missing or of another shape.
    PropertyDictionary* dictionary(const char* key);

    PropertyDictionary& domain_;
};

} // namespace orvane
