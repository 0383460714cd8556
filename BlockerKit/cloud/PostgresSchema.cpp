#include "cloud/PostgresSchema.h"

#include "cloud/CloudStorage.h"
#include "cloud/PostgresConnection.h"
#include "platform/Uuid.h"

#include <algorithm>
#include <cctype>

namespace orvane {
namespace {

// Raised with every change of kSchema; a server at this version is left alone, so that
// initialising again never locks the tables of users at work.
constexpr const char* kSchemaVersion = "2";

// Every statement is idempotent.
constexpr const char* kSchema[] = {
    "CREATE SCHEMA IF NOT EXISTS orvane",
    "CREATE TABLE IF NOT EXISTS orvane.schema_version (version integer NOT NULL)",
    R"SQL(DO $$ BEGIN
      IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'orvane_users') THEN CREATE ROLE orvane_users NOLOGIN; END IF;
    END $$)SQL",
    R"SQL(CREATE TABLE IF NOT EXISTS orvane.zones (
      owner name NOT NULL DEFAULT current_user, container text NOT NULL, zone_name text NOT NULL,
      position bigint NOT NULL DEFAULT 0,
      PRIMARY KEY (owner, container, zone_name)))SQL",
    R"SQL(CREATE TABLE IF NOT EXISTS orvane.records (
      owner name NOT NULL DEFAULT current_user, container text NOT NULL, zone_name text NOT NULL,
      record_name text NOT NULL, record_type text NOT NULL, change_tag text NOT NULL, fields text NOT NULL,
      position bigint NOT NULL, deleted boolean NOT NULL,
      PRIMARY KEY (owner, container, zone_name, record_name)))SQL",
    "CREATE INDEX IF NOT EXISTS records_by_position ON orvane.records (owner, container, zone_name, position)",
    R"SQL(CREATE TABLE IF NOT EXISTS orvane.subscriptions (
      owner name NOT NULL DEFAULT current_user, container text NOT NULL, subscription_id text NOT NULL,
      zone_name text NOT NULL, content_available boolean NOT NULL,
      PRIMARY KEY (owner, container, subscription_id)))SQL",
    R"SQL(CREATE TABLE IF NOT EXISTS orvane.reports (
      id bigserial PRIMARY KEY, owner name NOT NULL DEFAULT current_user, container text NOT NULL,
      record_name text NOT NULL, record_type text NOT NULL, fields text NOT NULL,
      created timestamptz NOT NULL DEFAULT now(),
      UNIQUE (container, record_name)))SQL",
    R"SQL(CREATE TABLE IF NOT EXISTS orvane.key_values (
      owner name NOT NULL DEFAULT current_user, key text NOT NULL, value text NOT NULL,
      PRIMARY KEY (owner, key)))SQL",
    R"SQL(CREATE TABLE IF NOT EXISTS orvane.events (
      sequence bigserial PRIMARY KEY, owner name NOT NULL DEFAULT current_user, origin text NOT NULL,
      kind text NOT NULL, container text NOT NULL, database_scope text NOT NULL, zone_name text NOT NULL,
      subscription_id text NOT NULL, created timestamptz NOT NULL DEFAULT now()))SQL",
    "CREATE INDEX IF NOT EXISTS events_by_owner ON orvane.events (owner, created)",
    R"SQL(DO $$
    DECLARE t text;
    BEGIN
      FOREACH t IN ARRAY ARRAY['zones', 'records', 'subscriptions', 'key_values', 'events'] LOOP
        EXECUTE format('ALTER TABLE orvane.%I ENABLE ROW LEVEL SECURITY', t);
        EXECUTE format('ALTER TABLE orvane.%I FORCE ROW LEVEL SECURITY', t);
        EXECUTE format('DROP POLICY IF EXISTS own_rows ON orvane.%I', t);
        EXECUTE format('CREATE POLICY own_rows ON orvane.%I USING (owner = current_user) WITH CHECK (owner = current_user)', t);
      END LOOP;
    END $$)SQL",
    "ALTER TABLE orvane.reports ENABLE ROW LEVEL SECURITY",
    "ALTER TABLE orvane.reports FORCE ROW LEVEL SECURITY",
    "DROP POLICY IF EXISTS add_reports ON orvane.reports",
    "CREATE POLICY add_reports ON orvane.reports FOR INSERT WITH CHECK (owner = current_user)",
    // Forced security holds the tables' owner to the policies too; without this one, an
    // administrator who is not a superuser could not read the reports. Users have no SELECT
    // privilege on the table, so it lets only the administrator read.
    "DROP POLICY IF EXISTS read_reports ON orvane.reports",
    "CREATE POLICY read_reports ON orvane.reports FOR SELECT USING (true)",
    "REVOKE ALL ON ALL TABLES IN SCHEMA orvane FROM PUBLIC",
    "REVOKE ALL ON SCHEMA orvane FROM PUBLIC",
    "GRANT USAGE ON SCHEMA orvane TO orvane_users",
    "GRANT SELECT, INSERT, UPDATE, DELETE ON orvane.zones, orvane.records, orvane.subscriptions, orvane.key_values TO orvane_users",
    "GRANT SELECT, INSERT, DELETE ON orvane.events TO orvane_users",
    "GRANT INSERT ON orvane.reports TO orvane_users",
    "GRANT USAGE ON SEQUENCE orvane.events_sequence_seq, orvane.reports_id_seq TO orvane_users",
    R"SQL(CREATE OR REPLACE FUNCTION orvane.channel() RETURNS text LANGUAGE sql STABLE
      AS $$ SELECT 'orvane_' || md5(current_user) $$)SQL",
    R"SQL(CREATE OR REPLACE FUNCTION orvane.listen() RETURNS void LANGUAGE plpgsql
      AS $$ BEGIN EXECUTE format('LISTEN %I', orvane.channel()); END $$)SQL",
    R"SQL(CREATE OR REPLACE FUNCTION orvane.add_user(user_name text, user_password text) RETURNS void LANGUAGE plpgsql
      AS $$ BEGIN
        EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE orvane_users', user_name, user_password);
      END $$)SQL",
    "REVOKE ALL ON FUNCTION orvane.channel(), orvane.listen(), orvane.add_user(text, text) FROM PUBLIC",
    "GRANT EXECUTE ON FUNCTION orvane.channel(), orvane.listen() TO orvane_users",
};

bool isUserName(const std::string& name) {
    return !name.empty() && name.size() <= 63 && std::islower(static_cast<unsigned char>(name.front())) != 0 &&
           !name.starts_with("pg_") && name != "orvane_users" &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::islower(static_cast<unsigned char>(c)) != 0 || std::isdigit(static_cast<unsigned char>(c)) != 0 ||
                      c == '_';
           });
}

std::string percentEncoded(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if (std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0xf];
        }
    }
    return encoded;
}

std::string randomPassword() {
    std::string password;
    for (int i = 0; i < 2; ++i) {
        for (char c : makeUUID()) {
            if (c != '-') {
                password += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
    }
    return password;
}

std::string userURI(PGconn* admin, const std::string& user, const std::string& password) {
    const std::string host = PQhost(admin);
    const std::string port = PQport(admin);
    const std::string database = PQdb(admin);
    std::string uri = "postgresql://" + user + ":" + password + "@";
    // A socket directory cannot be the host part of a URI, only a parameter.
    const bool socket = host.starts_with("/");
    if (!socket) {
        uri += host.find(':') != std::string::npos ? "[" + host + "]" : host;
    }
    uri += ":" + port + "/" + percentEncoded(database);
    if (socket) {
        uri += "?host=" + percentEncoded(host);
    }
    return uri;
}

} // namespace

std::optional<CloudError> initializeCloudSchema(const std::string& adminURI) {
    PostgresConnection connection(adminURI);
    try {
        connection.execute("BEGIN");
        // Two initialisations at once take turns.
        connection.execute("SELECT pg_advisory_xact_lock(7262873001)");
        const bool installed =
            connection.execute("SELECT to_regclass('orvane.schema_version') IS NOT NULL").boolean(0, 0) &&
            connection.execute("SELECT FROM orvane.schema_version WHERE version = $1::integer", {kSchemaVersion}).rows() > 0;
        if (!installed) {
            for (const char* statement : kSchema) {
                connection.execute(statement);
            }
            connection.execute("DELETE FROM orvane.schema_version");
            connection.execute("INSERT INTO orvane.schema_version (version) VALUES ($1::integer)", {kSchemaVersion});
        }
        connection.execute("COMMIT");
        return std::nullopt;
    } catch (const CloudStorageFailure& failure) {
        return failure.error();
    }
}

std::variant<std::string, CloudError> addCloudUser(const std::string& adminURI, const std::string& userName) {
    if (!isUserName(userName)) {
        return CloudError::make(CloudErrorCode::invalidArguments,
                                "Invalid user name '" + userName +
                                    "': use lower-case letters, digits and underscores, starting with a letter");
    }
    PostgresConnection connection(adminURI);
    try {
        const std::string password = randomPassword();
        connection.execute("SELECT orvane.add_user($1, $2)", {userName, password});
        return userURI(connection.handle(), userName, password);
    } catch (const CloudStorageFailure& failure) {
        return failure.error();
    }
}

} // namespace orvane
