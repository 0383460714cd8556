#include "cloud/PostgresSession.h"

#include "cloud/CloudStorage.h"

namespace orvane {

PostgresTransaction::PostgresTransaction(PostgresSession& session, bool writing)
    : lock_(session.mutex), session_(session) {
    const char* begin = writing ? "BEGIN" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
    const bool wasConnected = session_.connection.isConnected();
    try {
        execute(begin);
    } catch (const CloudStorageFailure& failure) {
        // A connection that sat idle may have been dropped by the server; one new attempt
        // tells that apart from a server that is really away.
        if (!wasConnected || failure.error().code != CloudErrorCode::networkFailure) {
            throw;
        }
        execute(begin);
    }
}

PostgresTransaction::~PostgresTransaction() {
    if (!committed_ && session_.connection.isConnected()) {
        try {
            execute("ROLLBACK");
        } catch (const CloudStorageFailure&) {
            // A broken connection took the transaction with it.
        }
    }
}

void PostgresTransaction::announce(const CloudEvent& event) {
    const bool push = event.kind == CloudEvent::Kind::push;
    auto inserted = execute(
        "INSERT INTO orvane.events (origin, kind, container, database_scope, zone_name, subscription_id) "
        "VALUES ($1, $2, $3, $4, $5, $6) RETURNING sequence",
        {session_.origin, push ? "push" : "kv", push ? event.notification.containerIdentifier : "",
         push ? databaseScopeName(event.notification.databaseScope) : "",
         push ? event.notification.recordZoneID.zoneName : "", push ? event.notification.subscriptionID : ""});
    execute("SELECT pg_notify(orvane.channel(), $1)", {inserted.text(0, 0)});
    // Devices that were away longer catch up by fetching, not by old events.
    execute("DELETE FROM orvane.events WHERE owner = current_user AND created < now() - interval '1 day'");
}

void PostgresTransaction::commit() {
    execute("COMMIT");
    committed_ = true;
}

} // namespace orvane
