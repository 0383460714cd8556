#pragma once

#include "cloud/CloudNotification.h"
#include "cloud/CloudTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane {

// A record as a database keeps it: live or a tombstone, at the position of its last change in
// its zone's history.
struct StoredRecord {
    CloudRecord record;
    std::int64_t position = 0;
    bool deleted = false;
};

// Thrown by a storage when the database fails; the request answers with the error.
class CloudStorageFailure : public std::runtime_error {
public:
    explicit CloudStorageFailure(CloudError error)
        : std::runtime_error(error.localizedDescription), error_(std::move(error)) {}
    const CloudError& error() const { return error_; }

private:
    CloudError error_;
};

// One transaction on one database (container and scope) of the account. Destroying it
// without commit() rolls it back.
class CloudTransaction {
public:
    virtual ~CloudTransaction() = default;

    // The position of the zone's last change; absent when the zone does not exist.
    virtual std::optional<std::int64_t> zonePosition(const std::string& zone) = 0;
    // The same, and no other writer may change the zone until this transaction ends.
    virtual std::optional<std::int64_t> lockZone(const std::string& zone) = 0;
    virtual void createZone(const std::string& zone) = 0;
    virtual void setZonePosition(const std::string& zone, std::int64_t position) = 0;

    virtual std::optional<StoredRecord> loadRecord(const RecordID& id) = 0;
    virtual void putRecord(const StoredRecord& stored) = 0;
    // The same for the records of a whole request. A storage whose every statement is a round
    // trip to a server answers each with one.
    virtual std::vector<std::optional<StoredRecord>> loadRecords(const std::vector<RecordID>& ids);
    virtual void putRecords(const std::vector<StoredRecord>& records);
    // Live records and tombstones with a position in (after, upTo], oldest first, at most `limit`.
    virtual std::vector<StoredRecord> changes(const std::string& zone, std::int64_t after, std::int64_t upTo,
                                              std::size_t limit) = 0;
    // Public databases take new records only: adds the record unless its name is taken and
    // answers whether it did.
    virtual bool addPublicRecord(const CloudRecord& record) = 0;
    // Every record of a public database, oldest first. Only whoever runs the cloud reads these:
    // a PostgreSQL server refuses its users (code 10).
    virtual std::vector<CloudRecord> publicRecords() = 0;

    virtual bool subscriptionExists(const std::string& subscriptionID) = 0;
    virtual std::vector<std::string> subscriptionsOfZone(const std::string& zone) = 0;
    virtual void createSubscription(const RecordZoneSubscription& subscription) = 0;

    // Pushes the notification to the account's other devices once the transaction commits.
    virtual void announce(const CloudNotification& notification) = 0;

    virtual void commit() = 0;
};

class CloudStorage {
public:
    virtual ~CloudStorage() = default;

    // Transactions of one storage run one after the other; `writing` ones exclude other writers.
    virtual std::unique_ptr<CloudTransaction> begin(bool writing) = 0;
};

} // namespace orvane
