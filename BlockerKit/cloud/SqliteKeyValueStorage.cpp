#include "cloud/SqliteKeyValueStorage.h"

#include "cloud/CloudStorage.h"
#include "platform/Log.h"

namespace orvane {

std::optional<std::map<std::string, std::string>> SqliteKeyValueStorage::load() {
    try {
        return account_->loadValues();
    } catch (const CloudStorageFailure& failure) {
        log("Couldn't read the key-value store: " + failure.error().localizedDescription);
        return std::nullopt;
    }
}

bool SqliteKeyValueStorage::write(const std::map<std::string, std::optional<std::string>>& changes) {
    try {
        account_->writeValues(changes);
        return true;
    } catch (const CloudStorageFailure& failure) {
        log("Couldn't write the key-value store: " + failure.error().localizedDescription);
        return false;
    }
}

} // namespace orvane
