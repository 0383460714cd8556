#pragma once

#include "cloud/CloudNotification.h"
#include "cloud/SqliteConnection.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvane {

// The account-wide file of a SQLite cloud: the key-value store and the log of events one
// device leaves for the others. `origin` names the device that writes through it.
class SqliteAccountDatabase {
public:
    SqliteAccountDatabase(std::filesystem::path path, std::string origin);

    void appendEvents(const std::vector<CloudEvent>& events);
    // Events after `sequence` left by other devices, oldest first, with their sequence.
    std::vector<std::pair<std::int64_t, CloudEvent>> eventsAfter(std::int64_t sequence);
    std::int64_t lastEventSequence();
    // Changes whenever another connection commits to the file.
    std::int64_t dataVersion();

    std::map<std::string, std::string> loadValues();
    // Applies the changes and leaves a key-value event, in one transaction.
    void writeValues(const std::map<std::string, std::optional<std::string>>& changes);

private:
    SqliteConnection& connection();

    const std::filesystem::path path_;
    const std::string origin_;
    std::mutex mutex_;
    std::optional<SqliteConnection> connection_;
};

} // namespace orvane
