#include "cloud/SqliteCloudStorage.h"

#include "cloud/RecordCoding.h"
#include "platform/Log.h"

namespace orvane {
namespace {

constexpr const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS zones (
  scope TEXT NOT NULL, zone_name TEXT NOT NULL, position INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (scope, zone_name));
CREATE TABLE IF NOT EXISTS records (
  scope TEXT NOT NULL, zone_name TEXT NOT NULL, record_name TEXT NOT NULL, record_type TEXT NOT NULL,
  change_tag TEXT NOT NULL, fields TEXT NOT NULL, position INTEGER NOT NULL, deleted INTEGER NOT NULL,
  PRIMARY KEY (scope, zone_name, record_name));
CREATE INDEX IF NOT EXISTS records_by_position ON records (scope, zone_name, position);
CREATE TABLE IF NOT EXISTS subscriptions (
  scope TEXT NOT NULL, subscription_id TEXT NOT NULL, zone_name TEXT NOT NULL, content_available INTEGER NOT NULL,
  PRIMARY KEY (scope, subscription_id));
)SQL";

CloudRecord decodeRecord(const SqliteStatement& row, int first, const std::string& zone) {
    auto fields = decodeRecordFields(row.text(first + 3));
    return CloudRecord::stored(row.text(first + 1), RecordID{row.text(first), RecordZoneID{zone}}, row.text(first + 2),
                               fields.value_or(RecordFields{}));
}

} // namespace

class SqliteCloudStorage::Transaction final : public CloudTransaction {
public:
    Transaction(std::unique_lock<std::mutex> lock, SqliteConnection& connection, bool writing, std::string scope,
                std::shared_ptr<SqliteAccountDatabase> account)
        : lock_(std::move(lock)), connection_(connection), transaction_(connection, writing), scope_(std::move(scope)),
          account_(std::move(account)) {}

    std::optional<std::int64_t> zonePosition(const std::string& zone) override {
        auto& statement = connection_.cached("SELECT position FROM zones WHERE scope = ?1 AND zone_name = ?2");
        statement.bind(1, scope_).bind(2, zone);
        return statement.step() ? std::optional<std::int64_t>(statement.integer(0)) : std::nullopt;
    }

    // The write lock of the whole file is already held.
    std::optional<std::int64_t> lockZone(const std::string& zone) override { return zonePosition(zone); }

    void createZone(const std::string& zone) override {
        connection_.cached("INSERT INTO zones (scope, zone_name) VALUES (?1, ?2)").bind(1, scope_).bind(2, zone).run();
    }

    void setZonePosition(const std::string& zone, std::int64_t position) override {
        connection_.cached("UPDATE zones SET position = ?3 WHERE scope = ?1 AND zone_name = ?2")
            .bind(1, scope_)
            .bind(2, zone)
            .bind(3, position)
            .run();
    }

    std::optional<StoredRecord> loadRecord(const RecordID& id) override {
        auto& statement = connection_.cached(
            "SELECT record_name, record_type, change_tag, fields, position, deleted FROM records "
            "WHERE scope = ?1 AND zone_name = ?2 AND record_name = ?3");
        statement.bind(1, scope_).bind(2, id.zoneID.zoneName).bind(3, id.recordName);
        if (!statement.step()) {
            return std::nullopt;
        }
        return StoredRecord{decodeRecord(statement, 0, id.zoneID.zoneName), statement.integer(4),
                            statement.integer(5) != 0};
    }

    void putRecord(const StoredRecord& stored) override {
        const CloudRecord& record = stored.record;
        connection_
            .cached("INSERT INTO records (scope, zone_name, record_name, record_type, change_tag, fields, position, deleted) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT (scope, zone_name, record_name) DO UPDATE SET "
                     "record_type = excluded.record_type, change_tag = excluded.change_tag, fields = excluded.fields, "
                     "position = excluded.position, deleted = excluded.deleted")
            .bind(1, scope_)
            .bind(2, record.recordID().zoneID.zoneName)
            .bind(3, record.recordID().recordName)
            .bind(4, record.recordType())
            .bind(5, record.recordChangeTag().value_or(std::string()))
            .bind(6, encodeRecordFields(record.fields()).value_or("[]"))
            .bind(7, stored.position)
            .bind(8, std::int64_t{stored.deleted ? 1 : 0})
            .run();
    }

    std::vector<StoredRecord> changes(const std::string& zone, std::int64_t after, std::int64_t upTo,
                                      std::size_t limit) override {
        auto& statement = connection_.cached(
            "SELECT record_name, record_type, change_tag, fields, position, deleted FROM records "
            "WHERE scope = ?1 AND zone_name = ?2 AND position > ?3 AND position <= ?4 ORDER BY position LIMIT ?5");
        statement.bind(1, scope_).bind(2, zone).bind(3, after).bind(4, upTo).bind(5, static_cast<std::int64_t>(limit));
        std::vector<StoredRecord> rows;
        while (statement.step()) {
            rows.push_back({decodeRecord(statement, 0, zone), statement.integer(4), statement.integer(5) != 0});
        }
        return rows;
    }

    bool addPublicRecord(const CloudRecord& record) override {
        if (loadRecord(record.recordID())) {
            return false;
        }
        putRecord({record, 0, false});
        return true;
    }

    std::vector<CloudRecord> publicRecords() override {
        auto statement = connection_.prepare("SELECT record_name, record_type, change_tag, fields, zone_name "
                                             "FROM records WHERE scope = ?1 ORDER BY rowid");
        statement.bind(1, scope_);
        std::vector<CloudRecord> records;
        while (statement.step()) {
            records.push_back(decodeRecord(statement, 0, statement.text(4)));
        }
        return records;
    }

    bool subscriptionExists(const std::string& subscriptionID) override {
        auto& statement = connection_.cached("SELECT 1 FROM subscriptions WHERE scope = ?1 AND subscription_id = ?2");
        statement.bind(1, scope_).bind(2, subscriptionID);
        return statement.step();
    }

    std::vector<std::string> subscriptionsOfZone(const std::string& zone) override {
        auto& statement = connection_.cached(
            "SELECT subscription_id FROM subscriptions WHERE scope = ?1 AND zone_name = ?2 ORDER BY subscription_id");
        statement.bind(1, scope_).bind(2, zone);
        std::vector<std::string> ids;
        while (statement.step()) {
            ids.push_back(statement.text(0));
        }
        return ids;
    }

    void createSubscription(const RecordZoneSubscription& subscription) override {
        connection_
            .cached("INSERT INTO subscriptions (scope, subscription_id, zone_name, content_available) "
                     "VALUES (?1, ?2, ?3, ?4)")
            .bind(1, scope_)
            .bind(2, subscription.subscriptionID)
            .bind(3, subscription.zoneID.zoneName)
            .bind(4, std::int64_t{subscription.notificationInfo.shouldSendContentAvailable ? 1 : 0})
            .run();
    }

    void announce(const CloudNotification& notification) override {
        announcements_.push_back({CloudEvent::Kind::push, notification});
    }

    void commit() override {
        transaction_.commit();
        if (announcements_.empty()) {
            return;
        }
        // The change is saved; a push that cannot be left only delays the other devices until
        // their next fetch.
        try {
            account_->appendEvents(announcements_);
        } catch (const CloudStorageFailure& failure) {
            log("Couldn't push zone changes: " + failure.error().localizedDescription);
        }
    }

private:
    std::unique_lock<std::mutex> lock_;
    SqliteConnection& connection_;
    SqliteTransaction transaction_;
    const std::string scope_;
    const std::shared_ptr<SqliteAccountDatabase> account_;
    std::vector<CloudEvent> announcements_;
};

SqliteCloudStorage::SqliteCloudStorage(std::filesystem::path containerFile, DatabaseScope scope,
                                       std::shared_ptr<SqliteAccountDatabase> account)
    : containerFile_(std::move(containerFile)), scope_(scope), account_(std::move(account)) {}

std::unique_ptr<CloudTransaction> SqliteCloudStorage::begin(bool writing) {
    std::unique_lock lock(mutex_);
    if (!connection_) {
        connection_.emplace(containerFile_, kSchema);
    }
    return std::make_unique<Transaction>(std::move(lock), *connection_, writing, databaseScopeName(scope_), account_);
}

} // namespace orvane
