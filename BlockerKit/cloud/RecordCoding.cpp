#include "cloud/RecordCoding.h"

#include "platform/JsonText.h"

#include <cmath>

namespace orvane {
namespace {

JsonValue text(const std::string& value, JsonAllocator& allocator) {
    return JsonValue(value.c_str(), static_cast<rapidjson::SizeType>(value.size()), allocator);
}

std::optional<JsonValue> encodeValue(const RecordValue& value, JsonAllocator& allocator) {
    JsonValue object(rapidjson::kObjectType);
    if (const auto* string = std::get_if<std::string>(&value)) {
        object.AddMember("s", text(*string, allocator), allocator);
    } else if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        object.AddMember("i", JsonValue(*integer), allocator);
    } else if (const auto* real = std::get_if<double>(&value)) {
        if (!std::isfinite(*real)) {
            return std::nullopt;
        }
        object.AddMember("d", JsonValue(*real), allocator);
    } else if (const auto* boolean = std::get_if<bool>(&value)) {
        object.AddMember("b", JsonValue(*boolean), allocator);
    } else if (const auto* strings = std::get_if<std::vector<std::string>>(&value)) {
        JsonValue array(rapidjson::kArrayType);
        for (const auto& element : *strings) {
            array.PushBack(text(element, allocator), allocator);
        }
        object.AddMember("a", array, allocator);
    } else {
        const auto& reference = std::get<RecordReference>(value);
        JsonValue link(rapidjson::kObjectType);
        link.AddMember("name", text(reference.recordID.recordName, allocator), allocator);
        link.AddMember("zone", text(reference.recordID.zoneID.zoneName, allocator), allocator);
        object.AddMember("r", link, allocator);
    }
    return object;
}

std::optional<std::string> stringOf(const JsonValue& value) {
    if (!value.IsString()) {
        return std::nullopt;
    }
    return std::string(value.GetString(), value.GetStringLength());
}

std::optional<RecordValue> decodeValue(const JsonValue& object) {
    if (!object.IsObject() || object.MemberCount() != 1) {
        return std::nullopt;
    }
    const std::string_view kind(object.MemberBegin()->name.GetString(), object.MemberBegin()->name.GetStringLength());
    const JsonValue& value = object.MemberBegin()->value;
    if (kind == "s" && value.IsString()) {
        return RecordValue(*stringOf(value));
    }
    if (kind == "i" && value.IsInt64()) {
        return RecordValue(value.GetInt64());
    }
    if (kind == "d" && value.IsNumber()) {
        return RecordValue(value.GetDouble());
    }
    if (kind == "b" && value.IsBool()) {
        return RecordValue(value.GetBool());
    }
    if (kind == "a" && value.IsArray()) {
        std::vector<std::string> strings;
        for (const auto& element : value.GetArray()) {
            auto string = stringOf(element);
            if (!string) {
                return std::nullopt;
            }
            strings.push_back(std::move(*string));
        }
        return RecordValue(std::move(strings));
    }
    if (kind == "r" && value.IsObject() && value.HasMember("name") && value.HasMember("zone")) {
        auto name = stringOf(value["name"]);
        auto zone = stringOf(value["zone"]);
        if (name && zone) {
            return RecordValue(RecordReference{RecordID{*name, RecordZoneID{*zone}}, ReferenceAction::none});
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> encodeRecordFields(const RecordFields& fields) {
    JsonDocument document(rapidjson::kArrayType);
    auto& allocator = document.GetAllocator();
    for (const auto& [key, value] : fields) {
        auto encoded = encodeValue(value, allocator);
        if (!encoded) {
            return std::nullopt;
        }
        JsonValue pair(rapidjson::kArrayType);
        pair.PushBack(text(key, allocator), allocator);
        pair.PushBack(*encoded, allocator);
        document.PushBack(pair, allocator);
    }
    return serializeJson(document);
}

std::optional<RecordFields> decodeRecordFields(std::string_view text) {
    auto document = parseJson(text);
    if (!document || !document->IsArray()) {
        return std::nullopt;
    }
    RecordFields fields;
    for (const auto& pair : document->GetArray()) {
        if (!pair.IsArray() || pair.Size() != 2) {
            return std::nullopt;
        }
        auto key = stringOf(pair[0]);
        auto value = decodeValue(pair[1]);
        if (!key || !value) {
            return std::nullopt;
        }
        fields.emplace_back(std::move(*key), std::move(*value));
    }
    return fields;
}

} // namespace orvane
