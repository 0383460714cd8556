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
    if (writer.present(trigger.resourceTypes)) {
        writer.enums(*trigger.resourceTypes);
    }
    if (writer.present(trigger.loadType)) {
        writer.enums(*trigger.loadType);
    }
    if (writer.present(trigger.domainFilter)) {
        writer.number(static_cast<long long>(trigger.domainFilter->type));
        writer.number(static_cast<long long>(trigger.domainFilter->values.size()));
        for (const auto& value : trigger.domainFilter->values) {
            writer.text(value);
        }
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
