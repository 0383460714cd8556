#include "cloud/SqliteAccountDatabase.h"

#include "cloud/CloudStorage.h"

#include <ctime>

namespace orvane {
namespace {

constexpr const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS key_values (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS events (
  sequence INTEGER PRIMARY KEY AUTOINCREMENT,
  origin TEXT NOT NULL,
  kind TEXT NOT NULL,
  container TEXT NOT NULL DEFAULT '',
  database_scope TEXT NOT NULL DEFAULT '',
  zone_name TEXT NOT NULL DEFAULT '',
  subscription_id TEXT NOT NULL DEFAULT '',
  created INTEGER NOT NULL);
)SQL";

// Devices that were away longer than this catch up by fetching, not by old events.
constexpr std::int64_t kEventLifetimeSeconds = 24 * 60 * 60;

std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }

void insertEvent(SqliteConnection& connection, const std::string& origin, const CloudEvent& event) {
    const bool push = event.kind == CloudEvent::Kind::push;
    connection
        .prepare("INSERT INTO events (origin, kind, container, database_scope, zone_name, subscription_id, created) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
        .bind(1, origin)
        .bind(2, std::string(push ? "push" : "kv"))
        .bind(3, push ? event.notification.containerIdentifier : std::string())
        .bind(4, push ? std::string(databaseScopeName(event.notification.databaseScope)) : std::string())
        .bind(5, push ? event.notification.recordZoneID.zoneName : std::string())
        .bind(6, push ? event.notification.subscriptionID : std::string())
        .bind(7, now())
        .run();
}

void pruneEvents(SqliteConnection& connection) {
    connection.prepare("DELETE FROM events WHERE created < ?1").bind(1, now() - kEventLifetimeSeconds).run();
}

} // namespace

SqliteAccountDatabase::SqliteAccountDatabase(std::filesystem::path path, std::string origin)
    : path_(std::move(path)), origin_(std::move(origin)) {}

SqliteConnection& SqliteAccountDatabase::connection() {
    if (!connection_) {
        connection_.emplace(path_, kSchema);
    }
    return *connection_;
}

void SqliteAccountDatabase::appendEvents(const std::vector<CloudEvent>& events) {
    std::lock_guard lock(mutex_);
    SqliteTransaction transaction(connection(), true);
    for (const auto& event : events) {
        insertEvent(connection(), origin_, event);
    }
    pruneEvents(connection());
    transaction.commit();
}

std::vector<std::pair<std::int64_t, CloudEvent>> SqliteAccountDatabase::eventsAfter(std::int64_t sequence) {
    std::lock_guard lock(mutex_);
    auto statement = connection().prepare(
        "SELECT sequence, kind, container, database_scope, zone_name, subscription_id FROM events "
        "WHERE sequence > ?1 AND origin <> ?2 ORDER BY sequence");
    statement.bind(1, sequence).bind(2, origin_);
    std::vector<std::pair<std::int64_t, CloudEvent>> events;
    while (statement.step()) {
        CloudEvent event;
        event.kind = statement.text(1) == "push" ? CloudEvent::Kind::push : CloudEvent::Kind::keyValueChange;
        event.notification = CloudNotification{
            statement.text(2),
            statement.text(3) == "public" ? DatabaseScope::publicScope : DatabaseScope::privateScope,
            RecordZoneID{statement.text(4)}, statement.text(5)};
        events.emplace_back(statement.integer(0), std::move(event));
    }
    return events;
}

std::int64_t SqliteAccountDatabase::lastEventSequence() {
    std::lock_guard lock(mutex_);
    auto statement = connection().prepare("SELECT COALESCE(MAX(sequence), 0) FROM events");
    return statement.step() ? statement.integer(0) : 0;
}

std::int64_t SqliteAccountDatabase::dataVersion() {
    std::lock_guard lock(mutex_);
    auto statement = connection().prepare("PRAGMA data_version");
    return statement.step() ? statement.integer(0) : 0;
}

std::map<std::string, std::string> SqliteAccountDatabase::loadValues() {
    std::lock_guard lock(mutex_);
    auto statement = connection().prepare("SELECT key, value FROM key_values");
    std::map<std::string, std::string> values;
    while (statement.step()) {
        values.emplace(statement.text(0), statement.text(1));
    }
    return values;
}

void SqliteAccountDatabase::writeValues(const std::map<std::string, std::optional<std::string>>& changes) {
    std::lock_guard lock(mutex_);
    SqliteTransaction transaction(connection(), true);
    for (const auto& [key, value] : changes) {
        if (value) {
            connection()
                .prepare("INSERT INTO key_values (key, value) VALUES (?1, ?2) "
                         "ON CONFLICT (key) DO UPDATE SET value = excluded.value")
                .bind(1, key)
                .bind(2, *value)
                .run();
        } else {
            connection().prepare("DELETE FROM key_values WHERE key = ?1").bind(1, key).run();
        }
    }
    insertEvent(connection(), origin_, CloudEvent{CloudEvent::Kind::keyValueChange, {}});
    pruneEvents(connection());
    transaction.commit();
}

} // namespace orvane
