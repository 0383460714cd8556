#include "cloud/SqliteConnection.h"

#include "cloud/CloudStorage.h"

#include <system_error>

namespace orvane {
namespace {

constexpr int kBusyTimeoutMilliseconds = 10000;

long cloudCode(int status) {
    switch (status & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return CloudErrorCode::zoneBusy;
    case SQLITE_CANTOPEN:
        return CloudErrorCode::networkFailure;
    default:
        return CloudErrorCode::serviceUnavailable;
    }
}

} // namespace

void throwSqliteFailure(sqlite3* database, int status) {
    const std::string message = database != nullptr ? sqlite3_errmsg(database) : sqlite3_errstr(status);
    throw CloudStorageFailure(CloudError::make(cloudCode(status), "The cloud database failed: " + message));
}

SqliteStatement::SqliteStatement(sqlite3* database, const char* sql) : database_(database) {
    sqlite3_stmt* statement = nullptr;
    const int status = sqlite3_prepare_v2(database, sql, -1, &statement, nullptr);
    statement_.reset(statement);
    if (status != SQLITE_OK) {
        throwSqliteFailure(database, status);
    }
}

SqliteStatement& SqliteStatement::bind(int index, const std::string& value) {
    const int status = sqlite3_bind_text(statement_.get(), index, value.data(), static_cast<int>(value.size()),
                                         SQLITE_TRANSIENT);
    if (status != SQLITE_OK) {
        throwSqliteFailure(database_, status);
    }
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    const int status = sqlite3_bind_int64(statement_.get(), index, value);
    if (status != SQLITE_OK) {
        throwSqliteFailure(database_, status);
    }
    return *this;
}

SqliteStatement& SqliteStatement::reset() {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
    return *this;
}

bool SqliteStatement::step() {
    const int status = sqlite3_step(statement_.get());
    if (status == SQLITE_ROW) {
        return true;
    }
    if (status != SQLITE_DONE) {
        throwSqliteFailure(database_, status);
    }
    return false;
}

void SqliteStatement::run() {
    while (step()) {
    }
}

std::string SqliteStatement::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_.get(), column);
    const int length = sqlite3_column_bytes(statement_.get(), column);
    return bytes != nullptr ? std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length))
                            : std::string();
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(statement_.get(), column); }

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL; }

SqliteConnection::SqliteConnection(const std::filesystem::path& path, const char* schema) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    sqlite3* database = nullptr;
    const int status = sqlite3_open_v2(path.c_str(), &database,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    database_.reset(database);
    if (status != SQLITE_OK) {
        throwSqliteFailure(database, status);
    }
    sqlite3_busy_timeout(database, kBusyTimeoutMilliseconds);
    execute("PRAGMA journal_mode=WAL");
    execute("PRAGMA synchronous=NORMAL");
    execute("BEGIN IMMEDIATE");
    try {
        execute(schema);
        execute("COMMIT");
    } catch (const CloudStorageFailure&) {
        sqlite3_exec(database, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

SqliteStatement& SqliteConnection::cached(const char* sql) {
    auto kept = statements_.find(sql);
    if (kept == statements_.end()) {
        kept = statements_.try_emplace(sql, database_.get(), sql).first;
        return kept->second;
    }
    return kept->second.reset();
}

void SqliteConnection::resetStatements() {
    for (auto& [sql, statement] : statements_) {
        statement.reset();
    }
}

void SqliteConnection::execute(const char* sql) {
    const int status = sqlite3_exec(database_.get(), sql, nullptr, nullptr, nullptr);
    if (status != SQLITE_OK) {
        throwSqliteFailure(database_.get(), status);
    }
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection, bool writing) : connection_(connection) {
    connection_.execute(writing ? "BEGIN IMMEDIATE" : "BEGIN");
}

SqliteTransaction::~SqliteTransaction() {
    connection_.resetStatements();
    if (!committed_) {
        try {
            connection_.execute("ROLLBACK");
        } catch (const CloudStorageFailure&) {
            // A failed statement may already have ended the transaction.
        }
    }
}

void SqliteTransaction::commit() {
    connection_.resetStatements();
    connection_.execute("COMMIT");
    committed_ = true;
}

} // namespace orvane
