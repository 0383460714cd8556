#include "platform/UserDefaults.h"

#include "platform/HomeInstances.h"

#include "platform/AtomicFile.h"
#include "platform/DirectoryWatch.h"
#include "platform/FileLock.h"
#include "platform/FileVersion.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>

namespace orvane {
namespace {

// How soon a look at another writer's change is tried again while a write holds the lock.
constexpr std::chrono::milliseconds kBusyRetryDelay{10};

} // namespace

struct UserDefaults::Impl : std::enable_shared_from_this<Impl> {
    struct Registration {
        Registration(std::string key, Observer observer) : key(std::move(key)), observer(std::move(observer)) {}
        const std::string key;
        const Observer observer;
        std::atomic<bool> active{true};
    };
    using Registrations = std::vector<std::shared_ptr<Registration>>;

    explicit Impl(std::filesystem::path domainFile)
        : file(std::move(domainFile)), lockFile(file.string() + ".lock") {}

    const std::filesystem::path file;
    const std::filesystem::path lockFile;

    std::mutex mutex; // guards every member below
    bool loaded = false;
    FileIdentity identity;
    PropertyDictionary values;
    bool readable = true;
    bool lastWriteFailed = false;
    std::map<ObserverToken, std::shared_ptr<Registration>> registrations;
    // What the observers of each key last heard: the change a notification reports is measured
    // from here, so a write that leaves a value as it was reports nothing.
    std::map<std::string, std::optional<PropertyValue>> reported;
    ObserverToken nextToken = 1;
    std::unique_ptr<DirectoryWatch> watch;
    bool retryScheduled = false;

    // Brings `values` up to the file's current version; the identity check keeps repeated
    // reads at one stat.
    void refreshLocked(bool force) {
        if (!force && loaded && fileIdentity(file) == identity) {
            return;
        }
        FileVersion version = readFileVersion(file);
        identity = version.identity;
        loaded = true;
        readable = true;
        values.clear();
        if (identity.missing()) {
            return;
        }
        std::optional<PropertyDictionary> decoded;
        if (version.contents) {
            decoded = decodePropertyDictionary(*version.contents);
        }
        if (!decoded) {
            readable = false;
            log("Preferences file " + file.string() + " is unreadable, reading it as empty" +
                (version.error.empty() ? std::string() : ": " + version.error));
            return;
        }
        values = std::move(*decoded);
    }

    std::optional<PropertyValue> valueLocked(const std::string& key) const {
        auto found = values.find(key);
        return found != values.end() ? std::optional<PropertyValue>(found->second) : std::nullopt;
    }

    // The observed keys whose values differ from what their observers last heard.
    std::vector<std::string> absorbChangesLocked() {
        std::vector<std::string> changed;
        for (auto& [key, last] : reported) {
            auto now = valueLocked(key);
            if (now != last) {
                changed.push_back(key);
                last = std::move(now);
            }
        }
        return changed;
    }

    // Observers run outside every lock, so they may read, write and (un)register.
    void notify(const std::vector<std::string>& keys) {
        Registrations targets;
        {
            std::lock_guard guard(mutex);
            for (const auto& key : keys) {
                for (const auto& [token, registration] : registrations) {
                    if (registration->key == key) {
                        targets.push_back(registration);
                    }
                }
            }
        }
        for (const auto& registration : targets) {
            if (registration->active.load()) {
                registration->observer(registration->key);
            }
        }
    }

    void notifyOnMain(std::vector<std::string> keys) {
        if (keys.empty()) {
            return;
        }
        runOnMain([weak = weak_from_this(), keys = std::move(keys)] {
            if (auto self = weak.lock()) {
                self->notify(keys);
            }
        });
    }

    void failWrite(const std::string& reason) {
        log("Cannot write preferences file " + file.string() + ": " + reason);
        std::lock_guard guard(mutex);
        lastWriteFailed = true;
    }

    // A read-modify-write of the file's current version under the lock file, so that writers
    // in other processes and threads never lose each other's keys.
    // `change` answers whether it changed anything. It changes the values in place: the group
    // defaults hold the sync queue, megabytes that a copy per write would double. Should the write
    // fail, the values are read back from the file.
    void modify(const std::function<bool(PropertyDictionary&)>& change) {
        std::error_code folderError;
        std::filesystem::create_directories(file.parent_path(), folderError);
        if (folderError) {
            failWrite(folderError.message());
            return;
        }
        std::vector<std::string> changed;
        {
            FileLock lock(lockFile, FileLock::Mode::exclusive, true);
            if (lock.status() != FileLock::Status::held) {
                failWrite(lock.error());
                return;
            }
            std::optional<std::string> text;
            {
                std::lock_guard guard(mutex);
                refreshLocked(false);
                // What another writer changed since the last look is theirs: it is reported on
                // the main thread like every other foreign change, not as part of this write.
                notifyOnMain(absorbChangesLocked());
                if (!change(values) && readable) {
                    lastWriteFailed = false;
                    return;
                }
                text = encodePropertyDictionary(values);
                if (!text) {
                    loaded = false;
                }
            }
            if (!text) {
                failWrite("a value has no JSON form");
                return;
            }
            std::string writeError;
            if (!writeFileAtomically(file, *text, &writeError)) {
                {
                    std::lock_guard guard(mutex);
                    loaded = false;
                }
                failWrite(writeError);
                return;
            }
            std::lock_guard guard(mutex);
            // Nobody else can have replaced the file yet: the lock is still held.
            identity = fileIdentity(file);
            loaded = true;
            readable = true;
            lastWriteFailed = false;
            changed = absorbChangesLocked();
        }
        notify(changed);
    }

    // On the main thread, after the folder reported a change of the file.
    void checkForForeignChanges() {
        std::vector<std::string> changed;
        {
            // A writer holds the lock from its read until its own report; looking in between
            // would report its change here, as foreign, on the wrong thread.
            FileLock lock(lockFile, FileLock::Mode::shared, false);
            if (lock.status() == FileLock::Status::busy) {
                retryWhenUnlocked();
                return;
            }
            std::lock_guard guard(mutex);
            refreshLocked(false);
            changed = absorbChangesLocked();
        }
        notify(changed);
    }

    // The writer that holds the lock may end up writing nothing, so the change that brought us
    // here may get no further report from the folder: look again shortly.
    void retryWhenUnlocked() {
        {
            std::lock_guard guard(mutex);
            if (retryScheduled) {
                return;
            }
            retryScheduled = true;
        }
        runOnMainAfter(kBusyRetryDelay, [weak = weak_from_this()] {
            if (auto self = weak.lock()) {
                {
                    std::lock_guard guard(self->mutex);
                    self->retryScheduled = false;
                }
                self->checkForForeignChanges();
            }
        });
    }

    ObserverToken observe(const std::string& key, Observer observer) {
        bool watchStarted = false;
        ObserverToken token = 0;
        {
            std::lock_guard guard(mutex);
            refreshLocked(false);
            if (!reported.contains(key)) {
                reported.emplace(key, valueLocked(key));
            }
            token = nextToken++;
            registrations.emplace(token, std::make_shared<Registration>(key, std::move(observer)));
            if (!watch) {
                std::error_code ignored;
                std::filesystem::create_directories(file.parent_path(), ignored);
                watch = std::make_unique<DirectoryWatch>(
                    file.parent_path(), [weak = weak_from_this(), name = file.filename().string()](const std::string& changed) {
                        if (changed != name) {
                            return;
                        }
                        if (auto self = weak.lock()) {
                            self->checkForForeignChanges();
                        }
                    });
                watchStarted = true;
            }
        }
        if (watchStarted) {
            // The watch may start only at the main context's next iteration; a change written
            // before then has no report of its own.
            runOnMain([weak = weak_from_this()] {
                if (auto self = weak.lock()) {
                    self->checkForForeignChanges();
                }
            });
        }
        return token;
    }

    void removeObserver(ObserverToken token) {
        std::lock_guard guard(mutex);
        auto found = registrations.find(token);
        if (found == registrations.end()) {
            return;
        }
        const std::string key = found->second->key;
        found->second->active.store(false);
        registrations.erase(found);
        const bool stillObserved = std::any_of(registrations.begin(), registrations.end(),
                                               [&](const auto& entry) { return entry.second->key == key; });
        if (!stillObserved) {
            reported.erase(key);
        }
    }

    void stopObserving() {
        std::lock_guard guard(mutex);
        for (const auto& [token, registration] : registrations) {
            registration->active.store(false);
        }
        registrations.clear();
        reported.clear();
        watch.reset();
    }
};

namespace {

UserDefaults& domainAt(const std::filesystem::path& file) {
    static HomeInstances<UserDefaults> domains;
    return *domains.get(file.string(), [&] { return std::make_shared<UserDefaults>(file); });
}

} // namespace

UserDefaults& UserDefaults::standard() { return domainAt(orvaneHome() / "Preferences" / "larkmoor.Blocker.json"); }

UserDefaults& UserDefaults::group() {
    return domainAt(sharedContainerDirectory() / "Preferences" / (std::string(kApplicationGroup) + ".json"));
}

UserDefaults::UserDefaults(std::filesystem::path file)
    : file_(std::move(file)), impl_(std::make_shared<Impl>(file_)) {}

// A callback of the watch may still hold the state for a moment; it must find nobody to call.
UserDefaults::~UserDefaults() { impl_->stopObserving(); }

std::optional<PropertyValue> UserDefaults::object(const std::string& key) const {
    std::lock_guard guard(impl_->mutex);
    impl_->refreshLocked(false);
    return impl_->valueLocked(key);
}

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const {
    auto value = object(key);
    return value ? value->asBool() : std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    auto value = object(key);
    if (!value || !value->isString()) {
        return std::nullopt;
    }
    return *value->asString();
}

std::optional<Bytes> UserDefaults::dataForKey(const std::string& key) const {
    auto value = object(key);
    if (!value || !value->isBytes()) {
        return std::nullopt;
    }
    return *value->asBytes();
}

std::optional<PropertyArray> UserDefaults::arrayForKey(const std::string& key) const {
    auto value = object(key);
    if (!value || !value->isArray()) {
        return std::nullopt;
    }
    return *value->asArray();
}

std::optional<PropertyDictionary> UserDefaults::dictionaryForKey(const std::string& key) const {
    auto value = object(key);
    if (!value || !value->isDictionary()) {
        return std::nullopt;
    }
    return *value->asDictionary();
}

PropertyDictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard guard(impl_->mutex);
    impl_->refreshLocked(false);
    return impl_->values;
}

void UserDefaults::set(const std::string& key, PropertyValue value) {
    impl_->modify([&](PropertyDictionary& values) {
        auto [entry, made] = values.try_emplace(key, value);
        if (!made && entry->second == value) {
            return false;
        }
        entry->second = std::move(value);
        return true;
    });
}

void UserDefaults::remove(const std::string& key) {
    impl_->modify([&](PropertyDictionary& values) { return values.erase(key) > 0; });
}

void UserDefaults::update(const std::function<void(PropertyDictionary& values)>& change) {
    impl_->modify([&](PropertyDictionary& values) {
        change(values);
        return true;
    });
}

bool UserDefaults::synchronize() {
    std::lock_guard guard(impl_->mutex);
    // The file's identity tells whether anybody replaced it since it was last read: a domain
    // of megabytes is not parsed again for nothing.
    impl_->refreshLocked(false);
    return impl_->readable && !impl_->lastWriteFailed;
}

UserDefaults::ObserverToken UserDefaults::observe(const std::string& key, Observer observer) {
    return impl_->observe(key, std::move(observer));
}

void UserDefaults::removeObserver(ObserverToken token) { impl_->removeObserver(token); }

} // namespace orvane
