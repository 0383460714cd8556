#pragma once

#include "cloud/CloudDatabaseBackend.h"
#include "cloud/CloudNotification.h"
#include "cloud/KeyValueStorage.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>

namespace orvane {

// One cloud account as a process reaches it: its status, the databases of its containers, its
// key-value store, and the events its other devices send.
class CloudBackend {
public:
    using EventObserver = std::function<void(const CloudEvent&)>;
    using ObserverToken = std::uint64_t;

    virtual ~CloudBackend() = default;

    // The account ORVANE_CLOUD names, created on first use and kept for the process.
    static std::shared_ptr<CloudBackend> shared();
    // What names the shared backend: the ORVANE_CLOUD setting and the home it serves.
    static std::string sharedKey();
    // "sqlite:<dir>", "postgresql://…" (or "postgres://…"), or "none".
    static std::shared_ptr<CloudBackend> make(const std::string& cloud);

    virtual AccountStatusResult accountStatus() = 0;
    virtual std::shared_ptr<CloudDatabaseBackend> database(const std::string& containerIdentifier,
                                                           DatabaseScope scope) = 0;
    virtual std::unique_ptr<KeyValueStorage> keyValueStorage() = 0;

    // Events from the account's other devices (never this backend's own), on a thread of the
    // backend. The first observer starts watching; when this cloud cannot watch, the answer is
    // the error instead of a token.
    std::variant<ObserverToken, CloudError> addEventObserver(EventObserver observer);
    // Once this returns, the observer is not running and will not run again (unless called
    // from the observer itself).
    void removeEventObserver(ObserverToken token);

    // What a request or status query showed about the credentials. When that changes from what
    // was known, kCloudAccountChangedNotification is posted on the main thread.
    void noteAuthentication(bool authenticated);

protected:
    virtual std::optional<CloudError> startWatching() = 0;
    void dispatch(const CloudEvent& event);

private:
    std::mutex mutex_;
    // Held while observers run, so that removing one can wait for them.
    std::mutex dispatchMutex_;
    std::atomic<std::thread::id> dispatchingThread_;
    std::map<ObserverToken, std::shared_ptr<EventObserver>> observers_;
    ObserverToken nextToken_ = 1;
    bool watching_ = false;
    std::optional<bool> authenticated_;
};

} // namespace orvane
