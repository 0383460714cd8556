#include "cloud/CloudRecord.h"

#include "platform/JsonText.h"

#include <algorithm>

namespace orvane {
namespace {

constexpr const char* kSystemFieldsFormat = "orvane.record-system-fields.1";

JsonValue text(const std::string& value, JsonAllocator& allocator) {
    return JsonValue(value.c_str(), static_cast<rapidjson::SizeType>(value.size()), allocator);
}

std::optional<std::string> member(const JsonValue& object, const char* name) {
    auto it = object.FindMember(name);
    if (it == object.MemberEnd() || !it->value.IsString()) {
        return std::nullopt;
    }
    return std::string(it->value.GetString(), it->value.GetStringLength());
}

} // namespace

CloudRecord::CloudRecord(std::string recordType, RecordID recordID)
    : recordType_(std::move(recordType)), recordID_(std::move(recordID)) {}

CloudRecord CloudRecord::stored(std::string recordType, RecordID recordID, std::string changeTag,
                                RecordFields fields) {
    CloudRecord record(std::move(recordType), std::move(recordID));
    record.changeTag_ = std::move(changeTag);
    record.fields_ = std::move(fields);
    return record;
}

std::vector<std::string> CloudRecord::allKeys() const {
    std::vector<std::string> keys;
    keys.reserve(fields_.size());
    for (const auto& field : fields_) {
        keys.push_back(field.first);
    }
    return keys;
}

const RecordValue* CloudRecord::object(std::string_view key) const {
    auto it = std::find_if(fields_.begin(), fields_.end(), [&](const auto& field) { return field.first == key; });
    return it == fields_.end() ? nullptr : &it->second;
}

void CloudRecord::set(const std::string& key, std::optional<RecordValue> value) {
    auto it = std::find_if(fields_.begin(), fields_.end(), [&](const auto& field) { return field.first == key; });
    if (!value) {
        if (it != fields_.end()) {
            fields_.erase(it);
        }
    } else if (it != fields_.end()) {
        it->second = std::move(*value);
    } else {
        fields_.emplace_back(key, std::move(*value));
    }
    if (std::find(changedKeys_.begin(), changedKeys_.end(), key) == changedKeys_.end()) {
        changedKeys_.push_back(key);
    }
}

Bytes CloudRecord::encodeSystemFields() const {
    JsonDocument document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    document.AddMember("format", JsonValue(rapidjson::StringRef(kSystemFieldsFormat)), allocator);
    document.AddMember("type", text(recordType_, allocator), allocator);
    document.AddMember("name", text(recordID_.recordName, allocator), allocator);
    document.AddMember("zone", text(recordID_.zoneID.zoneName, allocator), allocator);
    if (changeTag_) {
        document.AddMember("tag", text(*changeTag_, allocator), allocator);
    }
    const std::string json = serializeJson(document).value_or(std::string());
    return Bytes(json.begin(), json.end());
}

std::optional<CloudRecord> CloudRecord::decodeSystemFields(const Bytes& bytes) {
    auto document = parseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!document || !document->IsObject() || member(*document, "format") != kSystemFieldsFormat) {
        return std::nullopt;
    }
    auto type = member(*document, "type");
    auto name = member(*document, "name");
    auto zone = member(*document, "zone");
    if (!type || !name || !zone) {
        return std::nullopt;
    }
    CloudRecord record(std::move(*type), RecordID{std::move(*name), RecordZoneID{std::move(*zone)}});
    if (document->HasMember("tag")) {
        record.changeTag_ = member(*document, "tag");
        if (!record.changeTag_) {
            return std::nullopt;
        }
    }
    return record;
}

bool CloudRecord::operator==(const CloudRecord& other) const {
    return recordType_ == other.recordType_ && recordID_ == other.recordID_ && changeTag_ == other.changeTag_ &&
           fields_ == other.fields_;
}

} // namespace orvane
