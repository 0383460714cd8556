#include "cloud/PostgresKeyValueStorage.h"

#include "cloud/CloudStorage.h"
#include "platform/Log.h"

namespace orvane {

std::optional<std::map<std::string, std::string>> PostgresKeyValueStorage::load() {
    try {
        PostgresTransaction transaction(*session_, false);
        auto rows = transaction.execute("SELECT key, value FROM orvane.key_values WHERE owner = current_user");
        std::map<std::string, std::string> values;
        for (int row = 0; row < rows.rows(); ++row) {
            values.emplace(rows.text(row, 0), rows.text(row, 1));
        }
        transaction.commit();
        return values;
    } catch (const CloudStorageFailure& failure) {
        log("Couldn't read the key-value store: " + failure.error().localizedDescription);
        return std::nullopt;
    }
}

bool PostgresKeyValueStorage::write(const std::map<std::string, std::optional<std::string>>& changes) {
    try {
        PostgresTransaction transaction(*session_, true);
        for (const auto& [key, value] : changes) {
            if (value) {
                transaction.execute("INSERT INTO orvane.key_values (key, value) VALUES ($1, $2) "
                                    "ON CONFLICT (owner, key) DO UPDATE SET value = excluded.value",
                                    {key, *value});
            } else {
                transaction.execute("DELETE FROM orvane.key_values WHERE owner = current_user AND key = $1", {key});
            }
        }
        transaction.announce(CloudEvent{CloudEvent::Kind::keyValueChange, {}});
        transaction.commit();
        return true;
    } catch (const CloudStorageFailure& failure) {
        log("Couldn't write the key-value store: " + failure.error().localizedDescription);
        return false;
    }
}

} // namespace orvane
