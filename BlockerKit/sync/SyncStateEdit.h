#pragma once

#include "cloud/CloudRecord.h"
#include "model/Records.h"
#include "platform/PropertyValue.h"
#include "sync/RecordMapping.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvane {

enum class LocalAddKeys { Packages, Rules };
enum class LocalDeleteKeys { Packages, Rules };

// "AddedPackages", "AddedRules", "DeletedPackages", "DeletedRules".
const char* groupDefaultsKey(LocalAddKeys kind);
const char* groupDefaultsKey(LocalDeleteKeys kind);

// Changes of the local changes queue and the record metadata made on the group defaults' values
// in place, inside one read-modify-write of the file's current content (UserDefaults::update):
// another process's changes of the queue are never lost, and with thousands of queued rules a
// separate write for each change would rewrite them all again. A value of another shape than the
// queue keeps is replaced.
class SyncStateEdit {
public:
    explicit SyncStateEdit(PropertyDictionary& domain) : domain_(domain) {}

    void setAdded(const std::string& name, FieldDictionary fields, LocalAddKeys kind);
    void removeAdded(const std::vector<std::string>& names, LocalAddKeys kind);
    // Removes each entry that still holds the fields that went up; an entry changed while its
    // upload was in flight stays for the next upload.
    void removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind);
    // Appends the names not marked yet, in order.
    void markDeleted(const std::vector<std::string>& names, LocalDeleteKeys kind);
    void unmarkDeleted(const std::vector<std::string>& names, LocalDeleteKeys kind);
    // Drops every pending entry for the name.
    void forget(const std::string& name);
    void setMetadata(const std::string& name, Bytes systemFields);
    void eraseMetadata(const std::string& name);

private:
    PropertyDictionary& dictionary(const char* key);
    PropertyArray& array(const char* key);
    PropertyDictionary& queue(LocalAddKeys kind);
    PropertyArray& queue(LocalDeleteKeys kind);

    PropertyDictionary& domain_;
    std::set<std::string> checked_;
};

} // namespace orvane
