#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

struct PostgresCloser {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct PostgresResultClearer {
    void operator()(PGresult* result) const { PQclear(result); }
};

class PostgresResult {
public:
    explicit PostgresResult(PGresult* result) : result_(result) {}

    int rows() const { return PQntuples(result_.get()); }
    std::string text(int row, int column) const;
    std::int64_t integer(int row, int column) const;
    bool boolean(int row, int column) const { return text(row, column) == "t"; }
    // Rows an INSERT, UPDATE or DELETE touched.
    std::int64_t affectedRows() const;

private:
    std::unique_ptr<PGresult, PostgresResultClearer> result_;
};

// A connection to the cloud server, made on first use and again after it broke. Every failure
// throws CloudStorageFailure: code 4 when the server cannot be reached, 9 when it refuses the
// credentials, and so on. Not for several threads at once.
class PostgresConnection {
public:
    explicit PostgresConnection(std::string uri) : uri_(std::move(uri)) {}

    // One statement; values only ever travel as parameters.
    PostgresResult execute(const char* sql, const std::vector<std::string>& parameters = {});
    // Connects when not connected.
    PGconn* handle();
    bool isConnected() const { return connection_ && PQstatus(connection_.get()) == CONNECTION_OK; }
    // Forgets a connection that broke, so that the next statement connects again.
    void resetIfBroken();

private:
    std::string uri_;
    std::unique_ptr<PGconn, PostgresCloser> connection_;
};

} // namespace orvane
