#include "catalog/RuleKey.h"

#include <optional>
#include <string_view>

namespace orvane {
namespace {

// Every token ends where it says, so different values never write the same text.
class KeyWriter {
public:
    void text(std::string_view value) {
        number(static_cast<long long>(value.size()));
        key_ += value;
    }
    void number(long long value) {
        key_ += std::to_string(value);
        key_ += ';';
    }
    template <typename Value>
    bool present(const std::optional<Value>& value) {
        number(value ? 1 : 0);
        return value.has_value();
    }
    template <typename Filter>
    void condition(const std::optional<Filter>& filter) {
        if (present(filter)) {
            number(static_cast<long long>(filter->type));
            number(static_cast<long long>(filter->values.size()));
            for (const auto& value : filter->values) {
                text(value);
            }
        }
    }
    template <typename Enum>
    void enums(const std::optional<std::vector<Enum>>& values) {
        if (present(values)) {
            enums(*values);
        }
    }
    template <typename Enum>
    void enums(const std::vector<Enum>& values) {
        number(static_cast<long long>(values.size()));
        for (Enum value : values) {
            number(static_cast<long long>(value));
        }
    }
    std::string take() { return std::move(key_); }

private:
    std::string key_;
};

} // namespace

// Covers every field that rule equality compares.
std::string ruleContentKey(const Rule& rule) {
    KeyWriter writer;
    writer.text(rule.name);
    const Trigger& trigger = rule.blocker.trigger;
    writer.text(trigger.urlFilter);
    writer.number(trigger.caseSensitive ? 1 : 0);
    writer.enums(trigger.resourceTypes);
    writer.enums(trigger.loadType);
    writer.condition(trigger.domainFilter);
    writer.condition(trigger.topURLFilter);
    writer.number(trigger.topURLFilterCaseSensitive ? 1 : 0);
    writer.condition(trigger.frameURLFilter);
    writer.number(trigger.frameURLFilterCaseSensitive ? 1 : 0);
    writer.enums(trigger.loadContext);
    if (writer.present(trigger.requestMethod)) {
        writer.text(*trigger.requestMethod);
    }
    const Action& action = rule.blocker.action;
    writer.number(static_cast<long long>(action.type));
    if (writer.present(action.selector)) {
        writer.text(*action.selector);
    }
    return writer.take();
}

std::string ruleKey(const Rule& rule, const std::string& contentKey) {
    KeyWriter writer;
    writer.text(rule.id);
    return writer.take() + contentKey;
}

} // namespace orvane
