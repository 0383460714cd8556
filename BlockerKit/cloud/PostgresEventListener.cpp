#include "cloud/PostgresEventListener.h"

#include "cloud/CloudStorage.h"
#include "platform/Log.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace orvane {
namespace {

constexpr int kWakeIntervalMilliseconds = 200;
constexpr int kReconnectWakes = 5;

struct NotifyFreer {
    void operator()(PGnotify* notify) const { PQfreemem(notify); }
};

} // namespace

PostgresEventListener::PostgresEventListener(std::string uri, std::string origin,
                                             std::function<void(const CloudEvent&)> deliver)
    : connection_(std::move(uri)), origin_(std::move(origin)), deliver_(std::move(deliver)) {
    listen();
    thread_ = std::thread([this] { run(); });
}

PostgresEventListener::~PostgresEventListener() {
    stopping_ = true;
    thread_.join();
}

void PostgresEventListener::listen() { connection_.execute("SELECT orvane.listen()"); }

void PostgresEventListener::run() {
    bool listening = true;
    int wakesUntilReconnect = 0;
    while (!stopping_) {
        if (!listening && wakesUntilReconnect-- > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kWakeIntervalMilliseconds));
            continue;
        }
        try {
            if (!listening) {
                listen();
                listening = true;
            }
            listening = receive();
        } catch (const CloudStorageFailure&) {
            listening = false;
        }
        if (!listening) {
            connection_.resetIfBroken();
            wakesUntilReconnect = kReconnectWakes;
        }
    }
}

bool PostgresEventListener::receive() {
    PGconn* connection = connection_.handle();
    pollfd descriptor{PQsocket(connection), POLLIN, 0};
    if (poll(&descriptor, 1, kWakeIntervalMilliseconds) <= 0) {
        return true;
    }
    if (PQconsumeInput(connection) == 0) {
        log("Lost the cloud server's pushes; reconnecting");
        return false;
    }
    std::vector<std::string> sequences;
    while (std::unique_ptr<PGnotify, NotifyFreer> notify{PQnotifies(connection)}) {
        // Anyone may notify any channel; only event numbers are worth a look.
        const std::string payload = notify->extra;
        if (!payload.empty() && payload.size() < 20 &&
            std::all_of(payload.begin(), payload.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            sequences.push_back(payload);
        }
    }
    if (!sequences.empty()) {
        deliver(sequences);
    }
    return true;
}

void PostgresEventListener::deliver(const std::vector<std::string>& sequences) {
    std::string array = "{";
    for (const auto& sequence : sequences) {
        array += (array.size() > 1 ? "," : "") + sequence;
    }
    array += "}";
    auto rows = connection_.execute(
        "SELECT kind, container, database_scope, zone_name, subscription_id FROM orvane.events "
        "WHERE owner = current_user AND sequence = ANY($1::bigint[]) AND origin <> $2 ORDER BY sequence",
        {array, origin_});
    for (int row = 0; row < rows.rows(); ++row) {
        CloudEvent event;
        event.kind = rows.text(row, 0) == "push" ? CloudEvent::Kind::push : CloudEvent::Kind::keyValueChange;
        event.notification = CloudNotification{
            rows.text(row, 1), rows.text(row, 2) == "public" ? DatabaseScope::publicScope : DatabaseScope::privateScope,
            RecordZoneID{rows.text(row, 3)}, rows.text(row, 4)};
        deliver_(event);
    }
}

} // namespace orvane
