#include "model/JsonDecoding.h"

#include "model/PackageDecoder.h"

namespace orvane {
namespace {

PackageDecoder decoded(const JsonValue& value, PackageDecoder::Top top) {
    PackageDecoder decoder(top);
    value.Accept(decoder);
    return decoder;
}

} // namespace

std::optional<Trigger> triggerFromJSON(const JsonValue& value) {
    return decoded(value, PackageDecoder::Top::Trigger).takeTrigger();
}

std::optional<Action> actionFromJSON(const JsonValue& value) {
    return decoded(value, PackageDecoder::Top::Action).takeAction();
}

std::optional<Rule> ruleFromJSON(const JsonValue& value) {
    auto rules = decoded(value, PackageDecoder::Top::Rule).takeRules();
    if (rules.empty()) {
        return std::nullopt;
    }
    return std::move(rules.front());
}

std::vector<Rule> rulesFromJSON(const JsonValue& value) {
    return decoded(value, PackageDecoder::Top::RuleList).takeRules();
}

std::optional<Package> packageFromJSON(const JsonValue& value) {
    auto packages = decoded(value, PackageDecoder::Top::Package).takePackages();
    if (packages.empty()) {
        return std::nullopt;
    }
    return std::move(packages.front());
}

std::vector<Package> packagesFromJSON(const JsonValue& value) {
    return decoded(value, PackageDecoder::Top::PackageList).takePackages();
}

} // namespace orvane
