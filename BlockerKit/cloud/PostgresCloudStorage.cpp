#include "cloud/PostgresCloudStorage.h"

#include "cloud/RecordCoding.h"

#include <map>
#include <utility>

namespace orvane {
namespace {

// A text array in PostgreSQL's literal form, for a parameter cast to text[]: a request's records
// go to the server in one statement instead of one round trip each.
std::string textArray(const std::vector<std::string>& values) {
    std::string literal = "{";
    for (const auto& value : values) {
        if (literal.size() > 1) {
            literal += ',';
        }
        literal += '"';
        for (char c : value) {
            if (c == '"' || c == '\\') {
                literal += '\\';
            }
            literal += c;
        }
        literal += '"';
    }
    return literal + "}";
}

StoredRecord storedRecord(const PostgresResult& rows, int row, const std::string& zone) {
    auto fields = decodeRecordFields(rows.text(row, 3));
    return {CloudRecord::stored(rows.text(row, 1), RecordID{rows.text(row, 0), RecordZoneID{zone}}, rows.text(row, 2),
                                fields.value_or(RecordFields{})),
            rows.integer(row, 4), rows.boolean(row, 5)};
}

} // namespace

class PostgresCloudStorage::Transaction final : public CloudTransaction {
public:
    Transaction(PostgresSession& session, bool writing, std::string container)
        : transaction_(session, writing), container_(std::move(container)) {}

    std::optional<std::int64_t> zonePosition(const std::string& zone) override {
        return position(transaction_.execute(
            "SELECT position FROM orvane.zones WHERE owner = current_user AND container = $1 AND zone_name = $2",
            {container_, zone}));
    }

    std::optional<std::int64_t> lockZone(const std::string& zone) override {
        return position(transaction_.execute("SELECT position FROM orvane.zones WHERE owner = current_user AND "
                                             "container = $1 AND zone_name = $2 FOR UPDATE",
                                             {container_, zone}));
    }

    void createZone(const std::string& zone) override {
        transaction_.execute("INSERT INTO orvane.zones (container, zone_name) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                             {container_, zone});
    }

    void setZonePosition(const std::string& zone, std::int64_t position) override {
        transaction_.execute(
            "UPDATE orvane.zones SET position = $3 WHERE owner = current_user AND container = $1 AND zone_name = $2",
            {container_, zone, std::to_string(position)});
    }

    std::optional<StoredRecord> loadRecord(const RecordID& id) override {
        auto rows = transaction_.execute(
            "SELECT record_name, record_type, change_tag, fields, position, deleted FROM orvane.records "
            "WHERE owner = current_user AND container = $1 AND zone_name = $2 AND record_name = $3",
            {container_, id.zoneID.zoneName, id.recordName});
        if (rows.rows() == 0) {
            return std::nullopt;
        }
        return storedRecord(rows, 0, id.zoneID.zoneName);
    }

    void putRecord(const StoredRecord& stored) override {
        const CloudRecord& record = stored.record;
        transaction_.execute(
            "INSERT INTO orvane.records (container, zone_name, record_name, record_type, change_tag, fields, position, "
            "deleted) VALUES ($1, $2, $3, $4, $5, $6, $7, $8) "
            "ON CONFLICT (owner, container, zone_name, record_name) DO UPDATE SET record_type = excluded.record_type, "
            "change_tag = excluded.change_tag, fields = excluded.fields, position = excluded.position, "
            "deleted = excluded.deleted",
            {container_, record.recordID().zoneID.zoneName, record.recordID().recordName, record.recordType(),
             record.recordChangeTag().value_or(""), encodeRecordFields(record.fields()).value_or("[]"),
             std::to_string(stored.position), stored.deleted ? "true" : "false"});
    }

    std::vector<std::optional<StoredRecord>> loadRecords(const std::vector<RecordID>& ids) override {
        std::map<std::string, std::vector<std::string>> namesByZone;
        for (const auto& id : ids) {
            namesByZone[id.zoneID.zoneName].push_back(id.recordName);
        }
        std::map<std::pair<std::string, std::string>, StoredRecord> found;
        for (const auto& [zone, names] : namesByZone) {
            auto rows = transaction_.execute(
                "SELECT record_name, record_type, change_tag, fields, position, deleted FROM orvane.records "
                "WHERE owner = current_user AND container = $1 AND zone_name = $2 AND record_name = ANY($3::text[])",
                {container_, zone, textArray(names)});
            for (int row = 0; row < rows.rows(); ++row) {
                found.emplace(std::pair{zone, rows.text(row, 0)}, storedRecord(rows, row, zone));
            }
        }
        std::vector<std::optional<StoredRecord>> records;
        records.reserve(ids.size());
        for (const auto& id : ids) {
            auto record = found.find({id.zoneID.zoneName, id.recordName});
            records.push_back(record == found.end() ? std::nullopt : std::optional(record->second));
        }
        return records;
    }

    void putRecords(const std::vector<StoredRecord>& records) override {
        if (records.empty()) {
            return;
        }
        // One statement may change a row only once: of two writes of one record the later counts,
        // as it would have one after the other.
        std::map<std::pair<std::string, std::string>, std::size_t> last;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const RecordID& id = records[i].record.recordID();
            last[{id.zoneID.zoneName, id.recordName}] = i;
        }
        std::vector<std::string> zones, names, types, tags, fields, positions, deleted;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const StoredRecord& stored = records[i];
            const CloudRecord& record = stored.record;
            if (last.at({record.recordID().zoneID.zoneName, record.recordID().recordName}) != i) {
                continue;
            }
            zones.push_back(record.recordID().zoneID.zoneName);
            names.push_back(record.recordID().recordName);
            types.push_back(record.recordType());
            tags.push_back(record.recordChangeTag().value_or(""));
            fields.push_back(encodeRecordFields(record.fields()).value_or("[]"));
            positions.push_back(std::to_string(stored.position));
            deleted.push_back(stored.deleted ? "true" : "false");
        }
        transaction_.execute(
            "INSERT INTO orvane.records (container, zone_name, record_name, record_type, change_tag, fields, position, "
            "deleted) SELECT $1, z, n, t, c, f, p, d FROM unnest($2::text[], $3::text[], $4::text[], $5::text[], "
            "$6::text[], $7::bigint[], $8::boolean[]) AS written(z, n, t, c, f, p, d) "
            "ON CONFLICT (owner, container, zone_name, record_name) DO UPDATE SET record_type = excluded.record_type, "
            "change_tag = excluded.change_tag, fields = excluded.fields, position = excluded.position, "
            "deleted = excluded.deleted",
            {container_, textArray(zones), textArray(names), textArray(types), textArray(tags), textArray(fields),
             textArray(positions), textArray(deleted)});
    }

    std::vector<StoredRecord> changes(const std::string& zone, std::int64_t after, std::int64_t upTo,
                                      std::size_t limit) override {
        auto rows = transaction_.execute(
            "SELECT record_name, record_type, change_tag, fields, position, deleted FROM orvane.records "
            "WHERE owner = current_user AND container = $1 AND zone_name = $2 AND position > $3 AND position <= $4 "
            "ORDER BY position LIMIT $5",
            {container_, zone, std::to_string(after), std::to_string(upTo), std::to_string(limit)});
        std::vector<StoredRecord> changed;
        for (int row = 0; row < rows.rows(); ++row) {
            changed.push_back(storedRecord(rows, row, zone));
        }
        return changed;
    }

    bool addPublicRecord(const CloudRecord& record) override {
        auto inserted = transaction_.execute(
            "INSERT INTO orvane.reports (container, record_name, record_type, fields) VALUES ($1, $2, $3, $4) "
            "ON CONFLICT DO NOTHING",
            {container_, record.recordID().recordName, record.recordType(),
             encodeRecordFields(record.fields()).value_or("[]")});
        return inserted.affectedRows() == 1;
    }

    std::vector<CloudRecord> publicRecords() override {
        auto rows = transaction_.execute(
            "SELECT record_name, record_type, fields FROM orvane.reports WHERE container = $1 ORDER BY id",
            {container_});
        std::vector<CloudRecord> records;
        for (int row = 0; row < rows.rows(); ++row) {
            auto fields = decodeRecordFields(rows.text(row, 2));
            records.push_back(CloudRecord::stored(rows.text(row, 1), RecordID{rows.text(row, 0), RecordZoneID{}},
                                                  std::string(), fields.value_or(RecordFields{})));
        }
        return records;
    }

    bool subscriptionExists(const std::string& subscriptionID) override {
        return transaction_
                   .execute("SELECT 1 FROM orvane.subscriptions WHERE owner = current_user AND container = $1 AND "
                            "subscription_id = $2",
                            {container_, subscriptionID})
                   .rows() > 0;
    }

    std::vector<std::string> subscriptionsOfZone(const std::string& zone) override {
        auto rows = transaction_.execute("SELECT subscription_id FROM orvane.subscriptions WHERE owner = current_user "
                                         "AND container = $1 AND zone_name = $2 ORDER BY subscription_id",
                                         {container_, zone});
        std::vector<std::string> ids;
        for (int row = 0; row < rows.rows(); ++row) {
            ids.push_back(rows.text(row, 0));
        }
        return ids;
    }

    void createSubscription(const RecordZoneSubscription& subscription) override {
        transaction_.execute("INSERT INTO orvane.subscriptions (container, subscription_id, zone_name, "
                             "content_available) VALUES ($1, $2, $3, $4)",
                             {container_, subscription.subscriptionID, subscription.zoneID.zoneName,
                              subscription.notificationInfo.shouldSendContentAvailable ? "true" : "false"});
    }

    void announce(const CloudNotification& notification) override {
        transaction_.announce(CloudEvent{CloudEvent::Kind::push, notification});
    }

    void commit() override { transaction_.commit(); }

private:
    static std::optional<std::int64_t> position(const PostgresResult& rows) {
        return rows.rows() > 0 ? std::optional<std::int64_t>(rows.integer(0, 0)) : std::nullopt;
    }

    PostgresTransaction transaction_;
    std::string container_;
};

std::unique_ptr<CloudTransaction> PostgresCloudStorage::begin(bool writing) {
    return std::make_unique<Transaction>(*session_, writing, container_);
}

} // namespace orvane
