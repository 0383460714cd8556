#include "sync/RecordMapping.h"

#include "model/Enums.h"
#include "sync/SyncKeys.h"

#include <algorithm>

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
constexpr const char* kTopURLFilterType = "topURLFilterType";
constexpr const char* kTopURLFilterValues = "topURLFilterValues";
constexpr const char* kTopURLFilterIsCaseSensitive = "topURLFilterIsCaseSensitive";
constexpr const char* kFrameURLFilterType = "frameURLFilterType";
constexpr const char* kFrameURLFilterValues = "frameURLFilterValues";
constexpr const char* kFrameURLFilterIsCaseSensitive = "frameURLFilterIsCaseSensitive";
constexpr const char* kLoadContextKey = "loadContext";
constexpr const char* kRequestMethod = "requestMethod";
// The action type of a rule that builds before these fields could not read whole; see
// olderBuildsWouldWiden.
constexpr const char* kExtendedActionType = "extendedActionType";

// Re-sent with every rule upload, so that a value the rule no longer has is removed on the
// server too. The two action type keys are among them: a rule moves from one to the other when
// it gains or loses a condition older builds do not know.
constexpr const char* kOptionalRuleKeys[] = {kSelector,
                                             kDomainFilterType,
                                             kDomainFilterValues,
                                             kResourceTypesKey,
                                             kLoadTypeKey,
                                             kActionType,
                                             kExtendedActionType,
                                             kTopURLFilterType,
                                             kTopURLFilterValues,
                                             kTopURLFilterIsCaseSensitive,
                                             kFrameURLFilterType,
                                             kFrameURLFilterValues,
                                             kFrameURLFilterIsCaseSensitive,
                                             kLoadContextKey,
                                             kRequestMethod};

// Builds that knew only the first nine resource types and none of the keys after the domain
// filter read a rule record without complaint and drop what they do not know: a rule limited to
// some pages would apply to every page there. They require "actionType", so such a rule carries
// its action type under another key and they skip its record as invalid instead.
bool olderBuildsWouldWiden(const Trigger& trigger) {
    const auto unknownToThem = [](ResourceType type) {
        return static_cast<std::size_t>(type) >= kFirstResourceTypes;
    };
    return trigger.topURLFilter || trigger.topURLFilterCaseSensitive || trigger.frameURLFilter ||
           trigger.frameURLFilterCaseSensitive || trigger.loadContext || trigger.requestMethod ||
           (trigger.resourceTypes &&
            std::any_of(trigger.resourceTypes->begin(), trigger.resourceTypes->end(), unknownToThem));
}

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

// A list of text forms: absent when the key is; invalid when it is not a list of strings or
// names a case this build does not know, since dropping the name would widen the rule.
template <typename Enum>
bool readValues(const CloudRecord& record, const char* key, std::optional<std::vector<Enum>>& values) {
    if (record.object(key) == nullptr) {
        return true;
    }
    const auto* names = stringsValue(record, key);
    if (names == nullptr) {
        return false;
    }
    values.emplace();
    for (const auto& name : *names) {
        auto value = fromRawValue<Enum>(name);
        if (!value) {
            return false;
        }
        values->push_back(*value);
    }
    return true;
}

// A condition kept as its type's name and its values: absent when neither key is set, invalid
// when only one is or either holds something else.
template <typename Filter>
bool readCondition(const CloudRecord& record, const char* typeKey, const char* valuesKey,
                   std::optional<Filter>& filter) {
    if (record.object(typeKey) == nullptr && record.object(valuesKey) == nullptr) {
        return true;
    }
    const std::string* typeName = stringValue(record, typeKey);
    const auto type = typeName != nullptr ? fromRawValue<decltype(Filter::type)>(*typeName) : std::nullopt;
    const auto* values = stringsValue(record, valuesKey);
    if (!type || values == nullptr) {
        return false;
    }
    filter = Filter{*type, *values};
    return true;
}

template <typename Filter>
void writeCondition(FieldDictionary& fields, const std::optional<Filter>& filter, const char* typeKey,
                    const char* valuesKey) {
    if (filter) {
        fields[typeKey] = std::string(rawValue(filter->type));
        fields[valuesKey] = orvane::toPropertyValue(filter->values);
    }
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
        {olderBuildsWouldWiden(trigger) ? kExtendedActionType : kActionType, std::string(rawValue(action.type))},
    };
    if (trigger.resourceTypes) {
        fields[kResourceTypesKey] = rawValues(*trigger.resourceTypes);
    }
    if (trigger.loadType) {
        fields[kLoadTypeKey] = rawValues(*trigger.loadType);
    }
    writeCondition(fields, trigger.domainFilter, kDomainFilterType, kDomainFilterValues);
    writeCondition(fields, trigger.topURLFilter, kTopURLFilterType, kTopURLFilterValues);
    writeCondition(fields, trigger.frameURLFilter, kFrameURLFilterType, kFrameURLFilterValues);
    if (trigger.topURLFilterCaseSensitive) {
        fields[kTopURLFilterIsCaseSensitive] = true;
    }
    if (trigger.frameURLFilterCaseSensitive) {
        fields[kFrameURLFilterIsCaseSensitive] = true;
    }
    if (trigger.loadContext) {
        fields[kLoadContextKey] = rawValues(*trigger.loadContext);
    }
    if (trigger.requestMethod) {
        fields[kRequestMethod] = *trigger.requestMethod;
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
    if (actionName == nullptr) {
        actionName = stringValue(record, kExtendedActionType);
    }
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
    trigger.topURLFilterCaseSensitive = booleanValue(record, kTopURLFilterIsCaseSensitive).value_or(false);
    trigger.frameURLFilterCaseSensitive = booleanValue(record, kFrameURLFilterIsCaseSensitive).value_or(false);
    const bool readable = readValues(record, kResourceTypesKey, trigger.resourceTypes) &&
                          readValues(record, kLoadTypeKey, trigger.loadType) &&
                          readValues(record, kLoadContextKey, trigger.loadContext) &&
                          readCondition(record, kDomainFilterType, kDomainFilterValues, trigger.domainFilter) &&
                          readCondition(record, kTopURLFilterType, kTopURLFilterValues, trigger.topURLFilter) &&
                          readCondition(record, kFrameURLFilterType, kFrameURLFilterValues, trigger.frameURLFilter);
    if (!readable || conditionCount(trigger) > 1) {
        return RecordMappingError::invalidData;
    }
    if (record.object(kRequestMethod) != nullptr) {
        const std::string* method = stringValue(record, kRequestMethod);
        if (method == nullptr || !isRequestMethod(*method)) {
            return RecordMappingError::invalidData;
        }
        trigger.requestMethod = *method;
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
