#pragma once

#include <map>
#include <optional>
#include <string>

namespace orvane {

// Where a backend keeps the key-value store of the account: values as JSON texts.
class KeyValueStorage {
public:
    virtual ~KeyValueStorage() = default;

    // Every entry; absent when the store cannot be reached.
    virtual std::optional<std::map<std::string, std::string>> load() = 0;
    // Writes every change at once (no value removes the key) and tells the account's other
    // devices. Answers whether it was written.
    virtual bool write(const std::map<std::string, std::optional<std::string>>& changes) = 0;
};

} // namespace orvane
