#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvane {

// A typed value of a preferences domain or the key-value store: Booleans, integers, doubles,
// strings, byte strings, arrays and dictionaries, nested freely.
class PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyDictionary = std::map<std::string, PropertyValue>;
using Bytes = std::vector<std::uint8_t>;

class PropertyValue {
public:
    using Storage = std::variant<bool, std::int64_t, double, std::string, Bytes, PropertyArray, PropertyDictionary>;

    PropertyValue() : storage_(false) {}
    PropertyValue(bool value) : storage_(value) {}                   // NOLINT(google-explicit-constructor)
    PropertyValue(int value) : storage_(std::int64_t{value}) {}      // NOLINT(google-explicit-constructor)
    PropertyValue(std::int64_t value) : storage_(value) {}           // NOLINT(google-explicit-constructor)
    PropertyValue(double value) : storage_(value) {}                 // NOLINT(google-explicit-constructor)
    PropertyValue(const char* value) : storage_(std::string(value)) {} // NOLINT(google-explicit-constructor)
    PropertyValue(std::string value) : storage_(std::move(value)) {} // NOLINT(google-explicit-constructor)
    PropertyValue(Bytes value) : storage_(std::move(value)) {}       // NOLINT(google-explicit-constructor)
    PropertyValue(PropertyArray value) : storage_(std::move(value)) {} // NOLINT(google-explicit-constructor)
    PropertyValue(PropertyDictionary value) : storage_(std::move(value)) {} // NOLINT(google-explicit-constructor)

    const Storage& storage() const { return storage_; }

    bool isBool() const { return std::holds_alternative<bool>(storage_); }
    bool isNumber() const {
        return std::holds_alternative<std::int64_t>(storage_) || std::holds_alternative<double>(storage_);
    }
    bool isString() const { return std::holds_alternative<std::string>(storage_); }
    bool isBytes() const { return std::holds_alternative<Bytes>(storage_); }
    bool isArray() const { return std::holds_alternative<PropertyArray>(storage_); }
    bool isDictionary() const { return std::holds_alternative<PropertyDictionary>(storage_); }

    // Typed reads: absent when the value has another type. Numbers read as Booleans (non-zero)
    // and Booleans as numbers, as a property list does.
    std::optional<bool> asBool() const;
    std::optional<double> asDouble() const;
    std::optional<std::int64_t> asInteger() const;
    const std::string* asString() const { return std::get_if<std::string>(&storage_); }
    const Bytes* asBytes() const { return std::get_if<Bytes>(&storage_); }
    const PropertyArray* asArray() const { return std::get_if<PropertyArray>(&storage_); }
    const PropertyDictionary* asDictionary() const { return std::get_if<PropertyDictionary>(&storage_); }
    // For changes in place, where a copy of a large value would cost more than the change.
    PropertyArray* asArray() { return std::get_if<PropertyArray>(&storage_); }
    PropertyDictionary* asDictionary() { return std::get_if<PropertyDictionary>(&storage_); }

    // An array whose elements are all strings; absent otherwise.
    std::optional<std::vector<std::string>> asStringArray() const;

    bool operator==(const PropertyValue&) const = default;

private:
    Storage storage_;
};

PropertyValue toPropertyValue(const std::vector<std::string>& strings);

// JSON text of a dictionary and back. Byte strings are written as {"$data": "<base64>"}; a
// dictionary key that starts with "$" is written with one more "$" in front, so the two never
// collide. Encoding is absent when a string is not valid UTF-8; decoding when the text is not
// such a dictionary.
std::optional<std::string> encodePropertyDictionary(const PropertyDictionary& dictionary);
std::optional<PropertyDictionary> decodePropertyDictionary(std::string_view json);

// One value as JSON text and back, with the same conventions.
std::optional<std::string> encodePropertyValue(const PropertyValue& value);
std::optional<PropertyValue> decodePropertyValue(std::string_view json);

} // namespace orvane
