// A 10,000-rule package file imported on one machine reaching a second one: the upload of the
// import (from the merge to the last answered request) and the other machine's fetch and
// apply, against one plain transaction inserting as many rows of the same size into the same
// database. On SQLite always, on PostgreSQL when ORVANE_TEST_POSTGRES_URI names a server
// (scripts/start-test-postgres.sh). Each figure is the median of five samples on fresh clouds.

#include "BenchSupport.h"

#include "catalog/DataManager.h"
#include "cloud/CloudBackend.h"
#include "cloud/CloudContainer.h"
#include "cloud/PostgresConnection.h"
#include "cloud/PostgresSchema.h"
#include "cloud/SqliteConnection.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/Uuid.h"
#include "sync/SyncKeys.h"
#include "sync/SyncManager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

using namespace orvane;
using namespace orvane::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kRules = 10000;
constexpr int kSamples = 5;

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Package importedPackage() {
    Package package{"IMPORTED", "Imported", {}};
    for (auto& generated : generatePackages(kRules, "sync")) {
        for (auto& rule : generated.rules) {
            package.rules.push_back(std::move(rule));
        }
    }
    return package;
}

// One machine: its own home on the shared cloud, its sync manager the catalog's hand-over.
class Machine {
public:
    Machine(const std::filesystem::path& home, const std::string& cloud) : home_(home), cloud_(cloud) {
        enter();
        sync_ = SyncManager::create(
            std::make_shared<CloudContainer>(kSyncContainerIdentifier, CloudBackend::make(cloud)));
        sync_->startSync(*DataManager::shared().configurablePackages());
        settle();
    }

    // The process acts as this machine from now on.
    void enter() {
        ::setenv("ORVANE_HOME", home_.c_str(), 1);
        ::setenv("ORVANE_CLOUD", cloud_.c_str(), 1);
        if (sync_) {
            sync_->installAsSyncHandOver();
        }
    }
    bool settle() const {
        return runMainLoopUntil([&] { return sync_->isIdle() && !sync_->hasRetryPending(); }, std::chrono::minutes(5));
    }
    SyncManager& sync() { return *sync_; }

private:
    std::filesystem::path home_;
    std::string cloud_;
    std::shared_ptr<SyncManager> sync_;
};

struct Sample {
    double upload = 0;
    double fetch = 0;
};

std::optional<Sample> importReachesTheOtherMachine(const std::filesystem::path& root, const std::string& cloud,
                                                  const Package& imported) {
    Machine first(root / "first", cloud);
    Machine second(root / "second", cloud);
    first.enter();
    const auto start = Clock::now();
    if (!DataManager::shared().mergeImportedPackages({imported}) || !first.settle()) {
        return std::nullopt;
    }
    const auto uploaded = Clock::now();
    second.enter();
    second.sync().fetchRemoteChanges(nullptr);
    if (!second.settle()) {
        return std::nullopt;
    }
    const auto fetched = Clock::now();
    const auto custom = DataManager::shared().customPackages();
    if (custom->size() != 1 || custom->front().rules.size() != kRules) {
        std::fprintf(stderr, "the second machine did not get the import\n");
        return std::nullopt;
    }
    return Sample{seconds(uploaded - start), seconds(fetched - uploaded)};
}

// The rows a plain program would write for the import: each rule's name and text.
std::vector<std::pair<std::string, std::string>> rows(const Package& package) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& rule : package.rules) {
        rows.emplace_back(rule.id, toJSONString(rule).value_or(""));
    }
    return rows;
}

double insertIntoSqlite(const std::filesystem::path& database, const Package& package) {
    SqliteConnection connection(database, "CREATE TABLE IF NOT EXISTS plain_rows (name TEXT PRIMARY KEY, body TEXT)");
    connection.execute("DELETE FROM plain_rows");
    const auto data = rows(package);
    const auto start = Clock::now();
    SqliteTransaction transaction(connection, true);
    auto insert = connection.prepare("INSERT INTO plain_rows (name, body) VALUES (?1, ?2)");
    for (const auto& [name, body] : data) {
        insert.reset().bind(1, name).bind(2, body).run();
    }
    transaction.commit();
    return seconds(Clock::now() - start);
}

double insertIntoPostgres(const std::string& uri, const Package& package) {
    PostgresConnection connection(uri);
    connection.execute("CREATE TEMPORARY TABLE IF NOT EXISTS plain_rows (name TEXT PRIMARY KEY, body TEXT)");
    connection.execute("TRUNCATE plain_rows");
    const auto data = rows(package);
    const auto start = Clock::now();
    connection.execute("BEGIN");
    for (const auto& [name, body] : data) {
        connection.execute("INSERT INTO plain_rows (name, body) VALUES ($1, $2)", {name, body});
    }
    connection.execute("COMMIT");
    return seconds(Clock::now() - start);
}

std::optional<std::string> newPostgresAccount(const std::string& admin) {
    if (auto error = initializeCloudSchema(admin)) {
        std::fprintf(stderr, "cannot set up the PostgreSQL schema: %s\n", error->localizedDescription.c_str());
        return std::nullopt;
    }
    std::string name = "bench_" + makeUUID().substr(0, 8);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    auto answer = addCloudUser(admin, name);
    if (const auto* error = std::get_if<CloudError>(&answer)) {
        std::fprintf(stderr, "cannot add a PostgreSQL user: %s\n", error->localizedDescription.c_str());
        return std::nullopt;
    }
    return std::get<std::string>(answer);
}

void measure(const char* backend, const std::function<std::optional<std::string>(const BenchHome&)>& newCloud,
             const std::function<double(const BenchHome&, const std::string&)>& plainInsert, const Package& imported) {
    std::vector<double> uploads;
    std::vector<double> fetches;
    std::vector<double> inserts;
    for (int i = 0; i < kSamples; ++i) {
        BenchHome home;
        const auto cloud = newCloud(home);
        if (!cloud) {
            return;
        }
        const auto sample = importReachesTheOtherMachine(home.home(), *cloud, imported);
        if (!sample) {
            std::fprintf(stderr, "%s: the sync did not finish\n", backend);
            return;
        }
        uploads.push_back(sample->upload);
        fetches.push_back(sample->fetch);
        inserts.push_back(plainInsert(home, *cloud));
    }
    const double insert = median(inserts);
    const double upload = median(uploads);
    const double fetch = median(fetches);
    std::printf("%-10s upload %7.3f s  fetch and apply %7.3f s  plain insert %6.3f s  ratio %5.1f (aim: under 20)\n",
                backend, upload, fetch, insert, (upload + fetch) / insert);
}

} // namespace

int main() {
    logToNowhere();
    const Package imported = importedPackage();
    std::printf("%zu rules imported on one machine and fetched by another, median of %d:\n", kRules, kSamples);
    measure(
        "SQLite", [](const BenchHome& home) { return std::optional("sqlite:" + (home.home() / "Cloud").string()); },
        [&](const BenchHome& home, const std::string&) {
            return insertIntoSqlite(home.home() / "Cloud" / (std::string(kSyncContainerIdentifier) + ".sqlite"),
                                    imported);
        },
        imported);
    const char* admin = std::getenv("ORVANE_TEST_POSTGRES_URI");
    if (admin == nullptr || *admin == '\0') {
        std::printf("PostgreSQL: skipped (set ORVANE_TEST_POSTGRES_URI, see scripts/start-test-postgres.sh)\n");
        return 0;
    }
    measure(
        "PostgreSQL", [&](const BenchHome&) { return newPostgresAccount(admin); },
        [&](const BenchHome&, const std::string& cloud) { return insertIntoPostgres(cloud, imported); }, imported);
    return 0;
}
