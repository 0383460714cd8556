#include "cloud/PostgresConnection.h"

#include "cloud/CloudStorage.h"

#include <charconv>

namespace orvane {
namespace {

// The URI (dbname, expanded) comes last so that what it names wins over these defaults.
const char* const kKeywords[] = {"connect_timeout", "application_name", "client_encoding", "options", "dbname", nullptr};

long codeForState(const std::string& state) {
    if (state.starts_with("08")) {
        return CloudErrorCode::networkFailure;
    }
    if (state.starts_with("28")) {
        return CloudErrorCode::notAuthenticated;
    }
    if (state == "42501") {
        return CloudErrorCode::permissionFailure;
    }
    if (state == "40001" || state == "40P01" || state == "55P03") {
        return CloudErrorCode::zoneBusy;
    }
    if (state == "23505") {
        return CloudErrorCode::serverRejectedRequest;
    }
    if (state.starts_with("53") || state.starts_with("57") || state == "3F000" || state == "42P01" ||
        state == "42883") {
        return CloudErrorCode::serviceUnavailable;
    }
    return CloudErrorCode::internalError;
}

std::string firstLine(const char* message) {
    std::string text = message != nullptr ? message : "";
    return text.substr(0, text.find('\n'));
}

} // namespace

std::string PostgresResult::text(int row, int column) const {
    return std::string(PQgetvalue(result_.get(), row, column),
                       static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

std::int64_t PostgresResult::integer(int row, int column) const {
    const std::string value = text(row, column);
    std::int64_t number = 0;
    std::from_chars(value.data(), value.data() + value.size(), number);
    return number;
}

std::int64_t PostgresResult::affectedRows() const {
    const char* count = PQcmdTuples(result_.get());
    std::int64_t number = 0;
    std::from_chars(count, count + std::char_traits<char>::length(count), number);
    return number;
}

PGconn* PostgresConnection::handle() {
    if (connection_ && PQstatus(connection_.get()) == CONNECTION_OK) {
        return connection_.get();
    }
    const char* values[] = {"5", "orvane", "UTF8", "-c client_min_messages=warning", uri_.c_str(), nullptr};
    connection_.reset(PQconnectdbParams(kKeywords, values, 1));
    if (PQstatus(connection_.get()) == CONNECTION_OK) {
        return connection_.get();
    }
    const std::string message = firstLine(PQerrorMessage(connection_.get()));
    connection_.reset();
    // A server that answers a ping but refused us turned the credentials down.
    switch (PQpingParams(kKeywords, values, 1)) {
    case PQPING_OK:
        throw CloudStorageFailure(
            CloudError::make(CloudErrorCode::notAuthenticated, "The cloud server refused the credentials: " + message));
    case PQPING_REJECT:
        throw CloudStorageFailure(
            CloudError::make(CloudErrorCode::serviceUnavailable, "The cloud server is not available: " + message));
    default:
        throw CloudStorageFailure(
            CloudError::make(CloudErrorCode::networkFailure, "Cannot reach the cloud server: " + message));
    }
}

PostgresResult PostgresConnection::execute(const char* sql, const std::vector<std::string>& parameters) {
    PGconn* connection = handle();
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& parameter : parameters) {
        values.push_back(parameter.c_str());
    }
    std::unique_ptr<PGresult, PostgresResultClearer> result(PQexecParams(
        connection, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        return PostgresResult(result.release());
    }
    const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    std::string message = firstLine(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection));
    long code = state != nullptr ? codeForState(state) : CloudErrorCode::internalError;
    if (PQstatus(connection) != CONNECTION_OK) {
        code = CloudErrorCode::networkFailure;
        message = "Lost the cloud server: " + message;
    } else if (state != nullptr && (std::string(state) == "3F000" || std::string(state) == "42P01" ||
                                    std::string(state) == "42883")) {
        message = "The cloud server has no Orvane schema (orvanectl cloud init): " + message;
    }
    resetIfBroken();
    throw CloudStorageFailure(CloudError::make(code, message));
}

void PostgresConnection::resetIfBroken() {
    if (connection_ && PQstatus(connection_.get()) != CONNECTION_OK) {
        connection_.reset();
    }
}

} // namespace orvane
