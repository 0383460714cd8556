#pragma once

#include "platform/PropertyValue.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A preferences domain: one JSON file of typed values (see PropertyValue). Writes go straight
// to the file, atomically, as a read-modify-write of its current content under an advisory
// lock, so two processes that write different keys never lose each other's values. Reads see
// what any process wrote last.
class UserDefaults {
public:
    using Observer = std::function<void(const std::string& key)>;
    using ObserverToken = std::uint64_t;

    // The standard domain of the application: $ORVANE_HOME/Preferences/larkmoor.Blocker.json.
    static UserDefaults& standard();
    // The application-group domain "ZX3QW8TR5M.larkmoor.Blocker" inside the shared container,
    // shared with the browser extension.
    static UserDefaults& group();

    explicit UserDefaults(std::filesystem::path file);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::filesystem::path& file() const { return file_; }

    std::optional<PropertyValue> object(const std::string& key) const;
    // Typed reads; absent when the key is missing or holds another type.
    std::optional<bool> boolForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<Bytes> dataForKey(const std::string& key) const;
    std::optional<PropertyArray> arrayForKey(const std::string& key) const;
    std::optional<PropertyDictionary> dictionaryForKey(const std::string& key) const;
    PropertyDictionary dictionaryRepresentation() const;

    void set(const std::string& key, PropertyValue value);
    void remove(const std::string& key);
    // Changes several keys in one read-modify-write of the file's current content.
    void update(const std::function<void(PropertyDictionary& values)>& change);
    // Re-reads the file when another writer replaced it; the values are already on disk after
    // every write. Answers whether the
    // file could be read (a missing file reads as empty) and the last write through this
    // instance reached it.
    bool synchronize();

    // Calls `observer` whenever the value under `key` changes: synchronously on the writing
    // thread for writes through this instance, on the main thread (the default GLib main
    // context) for writes of other processes or other instances on the same file.
    ObserverToken observe(const std::string& key, Observer observer);
    void removeObserver(ObserverToken token);

private:
    struct Impl;
    std::filesystem::path file_;
    // Shared with the file watch's callbacks on the main thread, which hold it only weakly.
    std::shared_ptr<Impl> impl_;
};

} // namespace orvane
