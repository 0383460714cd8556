#include "sync/RecordMapping.h"

#include "model/Enums.h"
#include "sync/SyncKeys.h"

namespace orvane {
namespace {

constexpr const char* kName = "name";
constexpr const char* kPackage = "package";
constexpr const char* kUrlFilter = "urlFilter";
constexpr const char* kCaseSensitive = "caseSensitive";
constexpr const char* kResourceTypesKey = "resourceTypes";
constexpr const char* kLoadTypeKey = "loadType";
constexpr const char* kDomainFilterType = "domainFilterType";
constexpr const char* kDomainFilterValues = "domainFilterValues";
constexpr const char* kActionType = "actionType";
constexpr const char* kSelector = "selector";

// Re-sent with every rule upload, so that a value the rule no longer has is removed on the
// server too.
constexpr const char* kOptionalRuleKeys[] = {kSelector, kDomainFilterType, kDomainFilterValues, kResourceTypesKey,
                                             kLoadTypeKey};

template <typename Enum>
PropertyValue rawValues(const std::vector<Enum>& values) {
    PropertyArray array;
    for (Enum value : values) {
        array.emplace_back(std::string(rawValue(value)));
    }
    return array;
}

// The queue's values that a record can hold; anything else (a damaged entry) is left out.
std::optional<RecordValue> toRecordValue(const PropertyValue& value) {
    const auto& storage = value.storage();
    if (const auto* flag = std::get_if<bool>(&storage)) {
        return RecordValue(*flag);
    }
    if (const auto* integer = std::get_if<std::int64_t>(&storage)) {
        return RecordValue(*integer);
    }
    if (const auto* real = std::get_if<double>(&storage)) {
        return RecordValue(*real);
    }
    if (const auto* text = value.asString()) {
        return RecordValue(*text);
    }
    if (auto strings = value.asStringArray()) {
        return RecordValue(std::move(*strings));
    }
    return std::nullopt;
}

PropertyValue toPropertyValue(const RecordValue& value) {
    return std::visit(
        [](const auto& held) -> PropertyValue {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, RecordReference>) {
                return held.recordID.recordName;
            } else if constexpr (std::is_same_v<Held, std::vector<std::string>>) {
                return orvane::toPropertyValue(held);
            } else {
                return held;
            }
        },
        value);
}

const std::string* stringValue(const CloudRecord& record, const char* key) {
    const RecordValue* value = record.object(key);
    return value != nullptr ? std::get_if<std::string>(value) : nullptr;
}

const std::vector<std::string>* stringsValue(const CloudRecord& record, const char* key) {
    const RecordValue* value = record.object(key);
    return value != nullptr ? std::get_if<std::vector<std::string>>(value) : nullptr;
}

std::optional<bool> booleanValue(const CloudRecord& record, const char* key) {
    const RecordValue* value = record.object(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (const auto* flag = std::get_if<bool>(value)) {
        return *flag;
    }
    if (const auto* integer = std::get_if<std::int64_t>(value)) {
        return *integer != 0;
    }
    return std::nullopt;
}

// The names of the list that this build knows; others are dropped.
template <typename Enum>
std::optional<std::vector<Enum>> knownValues(const CloudRecord& record, const char* key) {
    const auto* names = stringsValue(record, key);
    if (names == nullptr) {
        return std::nullopt;
    }
    std::vector<Enum> values;
    for (const auto& name : *names) {
        if (auto value = fromRawValue<Enum>(name)) {
            values.push_back(*value);
        }
    }
    return values;
}

std::string describeValue(const RecordValue& value) {
    return std::visit(
        [](const auto& held) -> std::string {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::string>) {
                return "\"" + held + "\"";
            } else if constexpr (std::is_same_v<Held, bool>) {
                return held ? "true" : "false";
            } else if constexpr (std::is_same_v<Held, RecordReference>) {
                return "->" + held.recordID.recordName;
            } else if constexpr (std::is_same_v<Held, std::vector<std::string>>) {
                std::string text = "[";
                for (std::size_t i = 0; i < held.size(); ++i) {
                    text += (i == 0 ? "\"" : ", \"") + held[i] + "\"";
                }
                return text + "]";
            } else {
                return std::to_string(held);
            }
        },
        value);
}

} // namespace

RecordZoneID syncZoneID() { return RecordZoneID{kSyncZoneName}; }

FieldDictionary ruleRecordFields(const Rule& rule, const std::string& packageId) {
    const Trigger& trigger = rule.blocker.trigger;
    const Action& action = rule.blocker.action;
    FieldDictionary fields{
        {kName, rule.name},
        {kPackage, packageId},
        {kUrlFilter, trigger.urlFilter},
        {kCaseSensitive, trigger.caseSensitive},
        {kActionType, std::string(rawValue(action.type))},
    };
    if (trigger.resourceTypes) {
        fields[kResourceTypesKey] = rawValues(*trigger.resourceTypes);
    }
    if (trigger.loadType) {
        fields[kLoadTypeKey] = rawValues(*trigger.loadType);
    }
    if (trigger.domainFilter) {
        fields[kDomainFilterType] = std::string(rawValue(trigger.domainFilter->type));
        fields[kDomainFilterValues] = orvane::toPropertyValue(trigger.domainFilter->values);
    }
    if (action.selector) {
        fields[kSelector] = *action.selector;
    }
    return fields;
}

FieldDictionary packageRecordFields(const Package& package) { return {{kName, package.name}}; }

CloudRecord makeRecord(const std::string& type, const std::string& name, const FieldDictionary& fields,
                       const PropertyDictionary& metadata) {
    const RecordID id{name, syncZoneID()};
    std::optional<CloudRecord> known;
    auto stored = metadata.find(name);
    if (stored != metadata.end() && stored->second.asBytes() != nullptr) {
        known = CloudRecord::decodeSystemFields(*stored->second.asBytes());
    }
    CloudRecord record = known && known->recordID() == id && known->recordType() == type ? std::move(*known)
                                                                                          : CloudRecord(type, id);
    for (const auto& [key, value] : fields) {
        if (key == kPackage) {
            if (const auto* packageId = value.asString()) {
                record.set(key, RecordValue(RecordReference{RecordID{*packageId, syncZoneID()}, ReferenceAction::none}));
            }
        } else if (auto converted = toRecordValue(value)) {
            record.set(key, std::move(*converted));
        }
    }
    if (type == kRuleRecordType) {
        for (const char* key : kOptionalRuleKeys) {
            const RecordValue* current = record.object(key);
            record.set(key, current != nullptr ? std::optional<RecordValue>(*current) : std::nullopt);
        }
    }
    return record;
}

FieldDictionary fieldsFromRecord(const CloudRecord& record) {
    FieldDictionary fields;
    for (const auto& [key, value] : record.fields()) {
        fields[key] = toPropertyValue(value);
    }
    return fields;
}

Mapped<Package> packageFromRecord(const CloudRecord& record, std::vector<Rule> rules) {
    const std::string* name = stringValue(record, kName);
    if (name == nullptr) {
        return RecordMappingError::invalidData;
    }
    return Package{record.recordID().recordName, *name, std::move(rules)};
}

Mapped<Rule> ruleFromRecord(const CloudRecord& record) {
    const std::string* name = stringValue(record, kName);
    const std::string* urlFilter = stringValue(record, kUrlFilter);
    const auto caseSensitive = booleanValue(record, kCaseSensitive);
    if (name == nullptr || urlFilter == nullptr || !caseSensitive) {
        return RecordMappingError::invalidData;
    }
    const std::string* actionName = stringValue(record, kActionType);
    const auto actionType = actionName != nullptr ? fromRawValue<ActionType>(*actionName) : std::nullopt;
    if (!actionType) {
        return RecordMappingError::invalidData;
    }
    const std::string* selector = stringValue(record, kSelector);
    auto action = makeAction(*actionType, selector != nullptr ? std::optional<std::string>(*selector) : std::nullopt);
    if (!action) {
        return RecordMappingError::invalidData;
    }
    Trigger trigger;
    trigger.urlFilter = *urlFilter;
    trigger.caseSensitive = *caseSensitive;
    trigger.resourceTypes = knownValues<ResourceType>(record, kResourceTypesKey);
    trigger.loadType = knownValues<LoadType>(record, kLoadTypeKey);
    const std::string* filterName = stringValue(record, kDomainFilterType);
    const auto filterType = filterName != nullptr ? fromRawValue<DomainFilterType>(*filterName) : std::nullopt;
    const auto* domains = stringsValue(record, kDomainFilterValues);
    if (filterType && domains != nullptr) {
        trigger.domainFilter = DomainFilter{*filterType, *domains};
    }
    return Rule{record.recordID().recordName, *name, Blocker{std::move(trigger), std::move(*action)}};
}

std::optional<std::string> packageLink(const CloudRecord& record) {
    const RecordValue* value = record.object(kPackage);
    const auto* reference = value != nullptr ? std::get_if<RecordReference>(value) : nullptr;
    if (reference == nullptr) {
        return std::nullopt;
    }
    return reference->recordID.recordName;
}

std::string describeRecord(const CloudRecord& record) {
    std::string text = "<" + record.recordType() + " " + record.recordID().recordName +
                       " tag=" + record.recordChangeTag().value_or("none") + " {";
    bool first = true;
    for (const auto& [key, value] : record.fields()) {
        text += (first ? "" : ", ") + key + ": " + describeValue(value);
        first = false;
    }
    return text + "}>";
}

} // namespace orvane
