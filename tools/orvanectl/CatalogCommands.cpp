// Commands that read and change the catalog: packages, rules, remove, enable, disable, package.

#include "CatalogCommands.h"

#include "CoreSession.h"
#include "JsonOutput.h"
#include "RuleOptions.h"

#include "catalog/DataManager.h"
#include "catalog/RuleListQuery.h"
#include "model/Description.h"
#include "model/HiddenConditions.h"
#include "platform/Uuid.h"
#include "prefs/BlockerPreferenceManager.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {
namespace {

bool contains(const PackageList& list, const std::string& id) {
    return std::any_of(list.begin(), list.end(), [&](const Package& p) { return p.id == id; });
}

std::string sectionOf(const std::string& id) {
    auto& catalog = DataManager::shared();
    if (contains(*catalog.configurablePackages(), id)) {
        return "configurable";
    }
    if (contains(*catalog.customPackages(), id)) {
        return "custom";
    }
    return "preinstalled";
}

std::string singleLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool takeFlag(std::vector<std::string>& arguments, const std::string& flag) {
    auto it = std::find(arguments.begin(), arguments.end(), flag);
    if (it == arguments.end()) {
        return false;
    }
    arguments.erase(it);
    return true;
}

ConfigurablePackageType editorKindForAction(ActionType type) {
    switch (type) {
    case ActionType::Block: return ConfigurablePackageType::BlockURL;
    case ActionType::BlockCookies: return ConfigurablePackageType::BlockCookies;
    case ActionType::Hide: return ConfigurablePackageType::HideElements;
    case ActionType::IgnorePreviousRules: return ConfigurablePackageType::Whitelist;
    case ActionType::makeHttps: return ConfigurablePackageType::makeHttps;
    }
    return ConfigurablePackageType::BlockURL;
}

int unknownPackage(const std::string& id) {
    std::cerr << "No package with id '" << id << "'\n";
    return kExitFailure;
}

} // namespace

int runPackages(Arguments arguments) {
    std::vector<std::string> rest(arguments.begin(), arguments.end());
    const bool json = takeFlag(rest, "--json");
    if (!rest.empty()) {
        return usageError(kPackagesCommand, "unexpected argument '" + rest.front() + "'");
    }
    CoreSession session;
    auto preferences = DataManager::shared().preferenceManager();
    JsonDocument document;
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    PackageOrder order = DataManager::shared().packageOrder();
    for (const Package* each : order.packages()) {
        const Package& package = *each;
        const std::size_t rules = package.rules.size();
        const std::size_t disabledRules = std::min(preferences->disabledRuleCount(package.id), rules);
        const bool enabled = !preferences->isPackageDisabled(package);
        const std::string section = sectionOf(package.id);
        if (json) {
            JsonValue object(rapidjson::kObjectType);
            object.AddMember("id", jsonText(package.id, allocator), allocator);
            object.AddMember("name", jsonText(package.name, allocator), allocator);
            object.AddMember("section", jsonText(section, allocator), allocator);
            object.AddMember("rules", static_cast<uint64_t>(rules), allocator);
            object.AddMember("disabledRules", static_cast<uint64_t>(disabledRules), allocator);
            object.AddMember("enabled", enabled, allocator);
            list.PushBack(object, allocator);
        } else {
            std::cout << package.id << "\t" << package.name << "\t" << section << "\t" << rules << "\t"
                      << disabledRules << "\t" << (enabled ? "enabled" : "disabled") << "\n";
        }
    }
    if (json) {
        printJson(list);
    }
    return kExitOk;
}

int runRules(Arguments arguments) {
    std::vector<std::string> rest(arguments.begin(), arguments.end());
    const bool json = takeFlag(rest, "--json");
    EnabledFilter filter = EnabledFilter::ShowAll;
    std::string search;
    std::string packageId;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == "--filter" || rest[i] == "--search") {
            if (i + 1 >= rest.size()) {
                return usageError(kRulesCommand, rest[i] + " needs a value");
            }
            const std::string& value = rest[++i];
            if (rest[i - 1] == "--search") {
                search = value;
            } else if (value == "all") {
                filter = EnabledFilter::ShowAll;
            } else if (value == "enabled") {
                filter = EnabledFilter::EnabledOnly;
            } else if (value == "disabled") {
                filter = EnabledFilter::DisabledOnly;
            } else {
                return usageError(kRulesCommand, "unknown filter '" + value + "'");
            }
        } else if (rest[i].starts_with("--") || !packageId.empty()) {
            return usageError(kRulesCommand, "unexpected argument '" + rest[i] + "'");
        } else {
            packageId = rest[i];
        }
    }
    if (packageId.empty()) {
        return usageError(kRulesCommand, "missing PACKAGE");
    }
    CoreSession session;
    auto package = findPackage(packageId);
    if (!package) {
        return unknownPackage(packageId);
    }
    auto preferences = DataManager::shared().preferenceManager();
    JsonDocument document;
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    for (const auto& rule : filterAndSearchRules(*package, filter, search, *preferences)) {
        const bool enabled = !preferences->isRuleDisabled(rule, package->id);
        const std::string description = descriptionText(rule);
        if (json) {
            JsonValue object(rapidjson::kObjectType);
            object.AddMember("id", jsonText(rule.id, allocator), allocator);
            object.AddMember("name", jsonText(rule.name, allocator), allocator);
            object.AddMember("enabled", enabled, allocator);
            object.AddMember("description", jsonText(description, allocator), allocator);
            list.PushBack(object, allocator);
        } else {
            std::cout << rule.id << "\t" << rule.name << "\t" << (enabled ? "enabled" : "disabled") << "\t"
                      << singleLine(description) << "\n";
        }
    }
    if (json) {
        printJson(list);
    }
    return kExitOk;
}

int runAdd(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kAddCommand, "missing PACKAGE");
    }
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    std::optional<std::string> kindName;
    if (!rest.empty() && !rest.front().starts_with("--")) {
        kindName = rest.front();
        rest.erase(rest.begin());
    }
    std::optional<std::string> ruleId;
    auto ruleIdFlag = std::find(rest.begin(), rest.end(), "--rule-id");
    if (ruleIdFlag != rest.end()) {
        if (ruleIdFlag + 1 == rest.end()) {
            return usageError(kAddCommand, "--rule-id needs a value");
        }
        ruleId = *(ruleIdFlag + 1);
        rest.erase(ruleIdFlag, ruleIdFlag + 2);
    }
    ParsedRuleOptions parsed = parseRuleOptions(rest);
    if (parsed.problem) {
        return usageError(kAddCommand, *parsed.problem);
    }
    if (parsed.options.id) {
        return usageError(kAddCommand, "--id does not apply here; use --rule-id to edit a rule");
    }

    CoreSession session(CloudSync::on);
    auto package = findPackage(arguments[0]);
    if (!package) {
        return unknownPackage(arguments[0]);
    }
    const std::string section = sectionOf(package->id);
    if (section == "preinstalled") {
        std::cerr << "Rules of preinstalled packages cannot be changed\n";
        return kExitFailure;
    }
    std::optional<Rule> edited;
    if (ruleId) {
        auto it = std::find_if(package->rules.begin(), package->rules.end(),
                               [&](const Rule& rule) { return rule.id == *ruleId; });
        if (it == package->rules.end()) {
            std::cerr << "No rule with id '" << *ruleId << "' in package '" << package->id << "'\n";
            return kExitFailure;
        }
        edited = *it;
    }
    // A configurable package takes its own kind of rule; a custom one needs the kind, unless an
    // edited rule's action tells it.
    auto kind = fromRawValue<ConfigurablePackageType>(package->id);
    if (section == "custom") {
        if (kindName) {
            kind = fromRawValue<ConfigurablePackageType>(*kindName);
            if (!kind) {
                return usageError(kAddCommand, "unknown rule kind '" + *kindName + "'");
            }
        } else if (edited) {
            kind = editorKindForAction(edited->blocker.action.type);
        } else {
            return usageError(kAddCommand, "a custom package needs the KIND of the rule");
        }
    } else if (kindName && fromRawValue<ConfigurablePackageType>(*kindName) != kind) {
        return usageError(kAddCommand, "package '" + package->id + "' takes only " + package->id + " rules");
    }
    if (auto option = inapplicableOption(*kind, parsed.options)) {
        return usageError(kAddCommand, *option + " does not apply to " + std::string(rawValue(*kind)) + " rules");
    }
    auto rule = buildRuleFromOptions(*kind, parsed.options, ruleId);
    if (rule && edited) {
        rule = withHiddenConditions(*kind, *edited, std::move(*rule));
    }
    if (!rule) {
        return session.finish();
    }
    if (!edited || !(*rule == *edited)) {
        DataManager::shared().saveRule(*rule, *package, false);
    }
    std::cout << rule->id << "\n";
    return session.finish();
}

int runRemove(Arguments arguments) {
    if (arguments.size() != 2) {
        return usageError(kRemoveCommand, "expected PACKAGE and RULE_ID");
    }
    CoreSession session(CloudSync::on);
    auto package = findPackage(arguments[0]);
    if (!package) {
        return unknownPackage(arguments[0]);
    }
    auto rule = std::find_if(package->rules.begin(), package->rules.end(),
                             [&](const Rule& r) { return r.id == arguments[1]; });
    if (rule == package->rules.end()) {
        std::cerr << "No rule with id '" << arguments[1] << "' in package '" << arguments[0] << "'\n";
        return kExitFailure;
    }
    if (sectionOf(package->id) == "preinstalled") {
        std::cerr << "Rules of preinstalled packages cannot be removed\n";
        return kExitFailure;
    }
    DataManager::shared().removeRule(*rule, *package, false);
    return session.finish();
}

namespace {

int setEnabled(Arguments arguments, bool enable, const Command& command) {
    if (arguments.empty()) {
        return usageError(command, "missing PACKAGE");
    }
    CoreSession session(CloudSync::on);
    auto package = findPackage(arguments[0]);
    if (!package) {
        return unknownPackage(arguments[0]);
    }
    auto preferences = BlockerPreferenceManager::create();
    if (arguments.size() == 1) {
        preferences->setPackagesDisabled({*package}, !enable);
    } else {
        std::vector<Rule> rules;
        for (const auto& id : arguments.subspan(1)) {
            auto rule = std::find_if(package->rules.begin(), package->rules.end(),
                                     [&](const Rule& r) { return r.id == id; });
            if (rule == package->rules.end()) {
                std::cerr << "No rule with id '" << id << "' in package '" << package->id << "'\n";
                return kExitFailure;
            }
            rules.push_back(*rule);
        }
        preferences->setRulesDisabled(rules, *package, !enable);
    }
    preferences->serialWriteQueue().waitUntilIdle();
    return session.finish();
}

} // namespace

int runEnable(Arguments arguments) { return setEnabled(arguments, true, kEnableCommand); }

int runDisable(Arguments arguments) { return setEnabled(arguments, false, kDisableCommand); }

int runPackage(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kPackageCommand, "missing new, rename or delete");
    }
    const std::string& action = arguments[0];
    auto& catalog = DataManager::shared();
    if (action == "new" && arguments.size() == 2) {
        if (arguments[1].empty()) {
            return usageError(kPackageCommand, "the name is empty");
        }
        CoreSession session(CloudSync::on);
        Package package{makeUUID(), arguments[1], {}};
        catalog.appendCustomPackage(package);
        if (auto handOver = catalog.syncHandOver()) {
            handOver->packageChanged(package);
        }
        catalog.saveEditablePackages(true, nullptr);
        std::cout << package.id << "\n";
        return session.finish();
    }
    if (action == "rename" && arguments.size() == 3) {
        CoreSession session(CloudSync::on);
        auto package = findCustomPackage(arguments[1]);
        if (!package) {
            return unknownPackage(arguments[1]);
        }
        const std::string& name = arguments[2];
        if (name.empty() || name == package->name) {
            return session.finish();
        }
        Package renamed = *package;
        renamed.name = name;
        if (!catalog.replaceCustomPackage(*package, renamed)) {
            return unknownPackage(arguments[1]);
        }
        if (auto handOver = catalog.syncHandOver()) {
            handOver->packageChanged(renamed);
        }
        catalog.saveEditablePackages(true, nullptr);
        return session.finish();
    }
    if (action == "delete" && arguments.size() == 2) {
        CoreSession session(CloudSync::on);
        auto package = findCustomPackage(arguments[1]);
        if (!package) {
            return unknownPackage(arguments[1]);
        }
        catalog.removeCustomPackage(*package);
        return session.finish();
    }
    return usageError(kPackageCommand, "expected new NAME, rename ID NAME or delete ID");
}

} // namespace orvane::cli
