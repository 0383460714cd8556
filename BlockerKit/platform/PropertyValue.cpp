#include "platform/PropertyValue.h"

#include "platform/JsonText.h"

#include <glib.h>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace orvane {
namespace {

constexpr const char* kDataKey = "$data";

std::string escapeKey(const std::string& key) { return !key.empty() && key.front() == '$' ? "$" + key : key; }

std::string unescapeKey(std::string key) {
    if (!key.empty() && key.front() == '$') {
        key.erase(0, 1);
    }
    return key;
}

std::string base64(const Bytes& bytes) {
    gchar* text = g_base64_encode(bytes.data(), bytes.size());
    std::string result(text);
    g_free(text);
    return result;
}

std::optional<Bytes> unbase64(const std::string& text) {
    // g_base64_decode skips invalid characters instead of failing; the result is what it gives.
    gsize length = 0;
    guchar* data = g_base64_decode(text.c_str(), &length);
    Bytes bytes(data, data + length);
    g_free(data);
    return bytes;
}

JsonValue toJson(const PropertyValue& value, JsonAllocator& allocator) {
    struct Visitor {
        JsonAllocator& allocator;
        JsonValue operator()(bool b) const { return JsonValue(b); }
        JsonValue operator()(std::int64_t i) const { return JsonValue(static_cast<int64_t>(i)); }
        JsonValue operator()(double d) const { return JsonValue(d); }
        JsonValue operator()(const std::string& s) const { return JsonValue(s.c_str(), static_cast<rapidjson::SizeType>(s.size()), allocator); }
        JsonValue operator()(const Bytes& bytes) const {
            JsonValue object(rapidjson::kObjectType);
            std::string text = base64(bytes);
            object.AddMember(JsonValue(kDataKey, allocator), JsonValue(text.c_str(), allocator), allocator);
            return object;
        }
        JsonValue operator()(const PropertyArray& array) const {
            JsonValue result(rapidjson::kArrayType);
            for (const auto& element : array) {
                result.PushBack(toJson(element, allocator), allocator);
            }
            return result;
        }
        JsonValue operator()(const PropertyDictionary& dictionary) const {
            JsonValue result(rapidjson::kObjectType);
            for (const auto& [key, element] : dictionary) {
                std::string escaped = escapeKey(key);
                result.AddMember(JsonValue(escaped.c_str(), static_cast<rapidjson::SizeType>(escaped.size()), allocator),
                                 toJson(element, allocator), allocator);
            }
            return result;
        }
    };
    return std::visit(Visitor{allocator}, value.storage());
}

std::optional<PropertyValue> fromJson(const JsonValue& value) {
    if (value.IsBool()) {
        return PropertyValue(value.GetBool());
    }
    if (value.IsInt64()) {
        return PropertyValue(static_cast<std::int64_t>(value.GetInt64()));
    }
    if (value.IsNumber()) {
        return PropertyValue(value.GetDouble());
    }
    if (value.IsString()) {
        return PropertyValue(std::string(value.GetString(), value.GetStringLength()));
    }
    if (value.IsArray()) {
        PropertyArray array;
        array.reserve(value.Size());
        for (const auto& element : value.GetArray()) {
            auto converted = fromJson(element);
            if (!converted) {
                return std::nullopt;
            }
            array.push_back(std::move(*converted));
        }
        return PropertyValue(std::move(array));
    }
    if (value.IsObject()) {
        if (value.MemberCount() == 1 && value.MemberBegin()->name == kDataKey && value.MemberBegin()->value.IsString()) {
            auto bytes = unbase64(value.MemberBegin()->value.GetString());
            return bytes ? std::optional<PropertyValue>(PropertyValue(std::move(*bytes))) : std::nullopt;
        }
        PropertyDictionary dictionary;
        for (const auto& member : value.GetObject()) {
            auto converted = fromJson(member.value);
            if (!converted) {
                return std::nullopt;
            }
            dictionary.insert_or_assign(unescapeKey(std::string(member.name.GetString(), member.name.GetStringLength())),
                                        std::move(*converted));
        }
        return PropertyValue(std::move(dictionary));
    }
    return std::nullopt; // null has no property-list form
}

} // namespace

std::optional<bool> PropertyValue::asBool() const {
    if (const bool* b = std::get_if<bool>(&storage_)) {
        return *b;
    }
    if (auto number = asDouble()) {
        return *number != 0.0;
    }
    return std::nullopt;
}

std::optional<double> PropertyValue::asDouble() const {
    if (const auto* i = std::get_if<std::int64_t>(&storage_)) {
        return static_cast<double>(*i);
    }
    if (const auto* d = std::get_if<double>(&storage_)) {
        return *d;
    }
    if (const bool* b = std::get_if<bool>(&storage_)) {
        return *b ? 1.0 : 0.0;
    }
    return std::nullopt;
}

std::optional<std::int64_t> PropertyValue::asInteger() const {
    if (const auto* i = std::get_if<std::int64_t>(&storage_)) {
        return *i;
    }
    if (auto d = asDouble()) {
        return static_cast<std::int64_t>(*d);
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> PropertyValue::asStringArray() const {
    const PropertyArray* array = asArray();
    if (array == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(array->size());
    for (const auto& element : *array) {
        const std::string* text = element.asString();
        if (text == nullptr) {
            return std::nullopt;
        }
        strings.push_back(*text);
    }
    return strings;
}

PropertyValue toPropertyValue(const std::vector<std::string>& strings) {
    PropertyArray array;
    array.reserve(strings.size());
    for (const auto& text : strings) {
        array.emplace_back(text);
    }
    return PropertyValue(std::move(array));
}

std::optional<std::string> encodePropertyValue(const PropertyValue& value) {
    JsonDocument document;
    return serializeJson(toJson(value, document.GetAllocator()));
}

std::optional<PropertyValue> decodePropertyValue(std::string_view json) {
    auto document = parseJson(json);
    if (!document) {
        return std::nullopt;
    }
    return fromJson(*document);
}

std::optional<std::string> encodePropertyDictionary(const PropertyDictionary& dictionary) {
    return encodePropertyValue(PropertyValue(dictionary));
}

std::optional<PropertyDictionary> decodePropertyDictionary(std::string_view json) {
    auto value = decodePropertyValue(json);
    if (!value || !value->isDictionary()) {
        return std::nullopt;
    }
    return *value->asDictionary();
}

} // namespace orvane
