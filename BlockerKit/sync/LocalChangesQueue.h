#pragma once

#include "cloud/CloudRecord.h"
#include "model/Records.h"
#include "sync/RecordMapping.h"
#include "sync/SyncStateEdit.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace orvane {

class UserDefaults;

// A queued record as it goes up, with the field dictionary it was made from.
struct RecordToSave {
    CloudRecord record;
    FieldDictionary fields;
};

// The packages and rules added, changed or deleted on this machine and not uploaded yet, kept
// in the group defaults so that they survive restarts. Each operation reads the whole value,
// changes it and writes it back; none synchronizes. Use it from one thread (the main thread).
class LocalChangesQueue {
public:
    explicit LocalChangesQueue(UserDefaults& defaults) : defaults_(defaults) {}

    // Another shape than a dictionary of dictionaries (or an array of strings) reads as empty.
    std::map<std::string, FieldDictionary> added(LocalAddKeys kind) const;
    std::vector<std::string> deleted(LocalDeleteKeys kind) const;

    void markPackageAdded(const std::string& packageId, const std::string& name);
    void markRulesAdded(const std::vector<Rule>& rules, const std::string& packageId);
    // Replaces the entry under the name.
    void setAdded(const std::string& name, FieldDictionary fields, LocalAddKeys kind);
    void removeAdded(const std::vector<std::string>& names, LocalAddKeys kind);
    // After an upload: removes each entry that still holds the fields that went up; an entry
    // changed while its upload was in flight stays for the next upload.
    void removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind);
    void markDeleted(const std::string& id, LocalDeleteKeys kind);
    void unmarkDeleted(const std::vector<std::string>& ids, LocalDeleteKeys kind);
    // Drops every pending entry for the name.
    void forget(const std::string& name);
    bool isPending(const std::string& name) const;

    // Packages first, then rules; `metadata` as in makeRecord.
    std::vector<RecordToSave> recordsToSave(const PropertyDictionary& metadata) const;
    // Deleted packages first, then rules.
    std::vector<RecordID> recordIDsToDelete() const;

    // Several changes in one write.
    void edit(const std::function<void(SyncStateEdit&)>& change);

private:
    UserDefaults& defaults_;
};

} // namespace orvane
