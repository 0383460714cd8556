#pragma once

#include "cloud/CloudNotification.h"
#include "cloud/PostgresConnection.h"

#include <mutex>
#include <string>

namespace orvane {

// The connection one backend makes its requests on, one transaction at a time. `origin` names
// this device in the events it leaves for the account's other devices.
struct PostgresSession {
    PostgresSession(std::string uri, std::string origin) : connection(std::move(uri)), origin(std::move(origin)) {}

    std::mutex mutex;
    PostgresConnection connection;
    const std::string origin;
};

// A transaction on the session, rolled back unless committed; it holds the session meanwhile.
class PostgresTransaction {
public:
    PostgresTransaction(PostgresSession& session, bool writing);
    ~PostgresTransaction();
    PostgresTransaction(const PostgresTransaction&) = delete;
    PostgresTransaction& operator=(const PostgresTransaction&) = delete;

    PostgresResult execute(const char* sql, const std::vector<std::string>& parameters = {}) {
        return session_.connection.execute(sql, parameters);
    }
    // Leaves the event for the other devices; they hear of it when the transaction commits.
    void announce(const CloudEvent& event);
    void commit();

private:
    std::unique_lock<std::mutex> lock_;
    PostgresSession& session_;
    bool committed_ = false;
};

} // namespace orvane
