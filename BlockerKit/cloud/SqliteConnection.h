#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace orvane {

struct SqliteCloser {
    void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
struct SqliteFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

class SqliteStatement {
public:
    SqliteStatement(sqlite3* database, const char* sql);

    SqliteStatement& bind(int index, const std::string& value);
    SqliteStatement& bind(int index, std::int64_t value);
    // Answers whether a row is there to read.
    bool step();
    // Makes the statement ready to run again with new bindings.
    SqliteStatement& reset();
    // Steps through to the end.
    void run();

    std::string text(int column) const;
    std::int64_t integer(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* database_;
    std::unique_ptr<sqlite3_stmt, SqliteFinalizer> statement_;
};

// A connection that several processes may use on one file at once: write-ahead log, and a
// writer waits for another instead of failing at once. Every failure throws
// CloudStorageFailure with the matching cloud error.
class SqliteConnection {
public:
    // Opens or creates the database and runs `schema` (idempotent statements).
    SqliteConnection(const std::filesystem::path& path, const char* schema);

    void execute(const char* sql);
    SqliteStatement prepare(const char* sql) { return SqliteStatement(database_.get(), sql); }
    // The statement of that text, prepared once per connection and kept: a store that writes
    // thousands of records would otherwise spend most of its time parsing the same SQL. It comes
    // reset, with no bindings. For use inside a SqliteTransaction, which resets every kept
    // statement when it ends, so that none holds a read open past it.
    SqliteStatement& cached(const char* sql);
    void resetStatements();

private:
    std::unique_ptr<sqlite3, SqliteCloser> database_;
    std::map<std::string, SqliteStatement> statements_;
};

// A transaction that rolls back unless committed. A writing one takes the write lock at once,
// so two writers never both read and then collide.
class SqliteTransaction {
public:
    SqliteTransaction(SqliteConnection& connection, bool writing);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    void commit();

private:
    SqliteConnection& connection_;
    bool committed_ = false;
};

[[noreturn]] void throwSqliteFailure(sqlite3* database, int status);

} // namespace orvane
