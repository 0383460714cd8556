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

std::vector<Rule> rulesFromJSON(const JsonValue& value, SkippedRules* skipped) {
    auto decoder = decoded(value, PackageDecoder::Top::RuleList);
    if (skipped != nullptr) {
        skipped->add(decoder.takeSkipped());
    }
    return decoder.takeRules();
}

std::optional<Package> packageFromJSON(const JsonValue& value) {
    auto packages = decoded(value, PackageDecoder::Top::Package).takePackages();
    if (packages.empty()) {
        return std::nullopt;
    }
    return std::move(packages.front());
}

std::vector<Package> packagesFromJSON(const JsonValue& value, SkippedRules* skipped) {
    auto decoder = decoded(value, PackageDecoder::Top::PackageList);
    if (skipped != nullptr) {
        skipped->add(decoder.takeSkipped());
    }
    return decoder.takePackages();
}

std::vector<Blocker> blockersFromJSON(const JsonValue& value, SkippedRules* skipped) {
    auto decoder = decoded(value, PackageDecoder::Top::BlockerList);
    if (skipped != nullptr) {
        skipped->add(decoder.takeSkipped());
    }
    return decoder.takeBlockers();
}

} // namespace orvane
