#include "model/JsonEncoding.h"

namespace orvane {
namespace {

JsonValue text(std::string_view value, JsonAllocator& allocator) {
    return JsonValue(value.data(), static_cast<rapidjson::SizeType>(value.size()), allocator);
}

template <typename Enum>
JsonValue rawValues(const std::vector<Enum>& values, JsonAllocator& allocator) {
    JsonValue array(rapidjson::kArrayType);
    array.Reserve(static_cast<rapidjson::SizeType>(values.size()), allocator);
    for (Enum value : values) {
        array.PushBack(text(rawValue(value), allocator), allocator);
    }
    return array;
}

JsonValue strings(const std::vector<std::string>& values, JsonAllocator& allocator) {
    JsonValue array(rapidjson::kArrayType);
    array.Reserve(static_cast<rapidjson::SizeType>(values.size()), allocator);
    for (const auto& value : values) {
        array.PushBack(text(value, allocator), allocator);
    }
    return array;
}

template <typename Record>
JsonValue list(const std::vector<Record>& records, JsonAllocator& allocator) {
    JsonValue array(rapidjson::kArrayType);
    array.Reserve(static_cast<rapidjson::SizeType>(records.size()), allocator);
    for (const auto& record : records) {
        array.PushBack(toJSON(record, allocator), allocator);
    }
    return array;
}

} // namespace

JsonValue toJSON(const Trigger& trigger, JsonAllocator& allocator) {
    JsonValue object(rapidjson::kObjectType);
    object.AddMember("url-filter", text(trigger.urlFilter, allocator), allocator);
    if (trigger.caseSensitive) {
        object.AddMember("url-filter-is-case-sensitive", true, allocator);
    }
    if (trigger.resourceTypes) {
        object.AddMember("resource-type", rawValues(*trigger.resourceTypes, allocator), allocator);
    }
    if (trigger.loadType) {
        object.AddMember("load-type", rawValues(*trigger.loadType, allocator), allocator);
    }
    if (trigger.domainFilter) {
        object.AddMember(text(rawValue(trigger.domainFilter->type), allocator),
                         strings(trigger.domainFilter->values, allocator), allocator);
    }
    return object;
}

JsonValue toJSON(const Action& action, JsonAllocator& allocator) {
    JsonValue object(rapidjson::kObjectType);
    object.AddMember("type", text(rawValue(action.type), allocator), allocator);
    if (action.selector) {
        object.AddMember("selector", text(*action.selector, allocator), allocator);
    }
    return object;
}

JsonValue toJSON(const Blocker& blocker, JsonAllocator& allocator) {
    JsonValue object(rapidjson::kObjectType);
    object.AddMember("trigger", toJSON(blocker.trigger, allocator), allocator);
    object.AddMember("action", toJSON(blocker.action, allocator), allocator);
    return object;
}

JsonValue toJSON(const std::vector<Blocker>& blockers, JsonAllocator& allocator) { return list(blockers, allocator); }

JsonValue toJSON(const Rule& rule, JsonAllocator& allocator) {
    JsonValue object(rapidjson::kObjectType);
    object.AddMember("id", text(rule.id, allocator), allocator);
    object.AddMember("name", text(rule.name, allocator), allocator);
    object.AddMember("content", toJSON(rule.blocker, allocator), allocator);
    return object;
}

JsonValue toJSON(const Package& package, JsonAllocator& allocator) {
    JsonValue object(rapidjson::kObjectType);
    object.AddMember("id", text(package.id, allocator), allocator);
    object.AddMember("name", text(package.name, allocator), allocator);
    object.AddMember("rules", list(package.rules, allocator), allocator);
    return object;
}

JsonValue toJSON(const std::vector<Rule>& rules, JsonAllocator& allocator) { return list(rules, allocator); }

JsonValue toJSON(const std::vector<Package>& packages, JsonAllocator& allocator) { return list(packages, allocator); }

} // namespace orvane
