// Commands that read and change the catalog: packages, rules, remove, enable, disable, package.

#include "CatalogCommands.h"

#include "CoreSession.h"
#include "JsonOutput.h"
#include "RuleOptions.h"

#include "platform/JsonText.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {
namespace {

std::string sectionName(PackageSection section) {
    switch (section) {
    case PackageSection::Preinstalled: return "preinstalled";
    case PackageSection::Configurables: return "configurable";
    case PackageSection::Custom: return "custom";
    }
    return "";
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

} // namespace

int runPackages(Arguments arguments) {
    std::vector<std::string> rest(arguments.begin(), arguments.end());
    const bool json = takeFlag(rest, "--json");
    if (!rest.empty()) {
        return usageError(kPackagesCommand, "unexpected argument '" + rest.front() + "'");
    }
    CoreSession session;
    JsonDocument document;
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    for (const PackageSummary& package : session.services().packages().summaries()) {
        const std::string section = sectionName(package.section);
        if (json) {
            JsonValue object(rapidjson::kObjectType);
            object.AddMember("id", jsonText(package.id, allocator), allocator);
            object.AddMember("name", jsonText(package.name, allocator), allocator);
            object.AddMember("section", jsonText(section, allocator), allocator);
            object.AddMember("rules", static_cast<uint64_t>(package.ruleCount), allocator);
            object.AddMember("disabledRules", static_cast<uint64_t>(package.disabledRuleCount), allocator);
            object.AddMember("enabled", package.enabled, allocator);
            list.PushBack(object, allocator);
        } else {
            std::cout << package.id << "\t" << package.name << "\t" << section << "\t" << package.ruleCount << "\t"
                      << package.disabledRuleCount << "\t" << (package.enabled ? "enabled" : "disabled") << "\n";
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
    auto rules = session.services().rules().listRules(packageId, filter, search);
    if (!rules) {
        return session.fail(rules.error());
    }
    JsonDocument document;
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    for (const RuleSummary& each : *rules) {
        const Rule& rule = each.rule;
        if (json) {
            JsonValue object(rapidjson::kObjectType);
            object.AddMember("id", jsonText(rule.id, allocator), allocator);
            object.AddMember("name", jsonText(rule.name, allocator), allocator);
            object.AddMember("enabled", each.enabled, allocator);
            object.AddMember("description", jsonText(each.description, allocator), allocator);
            list.PushBack(object, allocator);
        } else {
            std::cout << rule.id << "\t" << rule.name << "\t" << (each.enabled ? "enabled" : "disabled") << "\t"
                      << singleLine(each.description) << "\n";
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

    std::optional<ConfigurablePackageType> requestedKind;
    if (kindName) {
        requestedKind = fromRawValue<ConfigurablePackageType>(*kindName);
        if (!requestedKind) {
            return usageError(kAddCommand, "unknown rule kind '" + *kindName + "'");
        }
    }

    CoreSession session;
    RuleServices& rules = session.services().rules();
    const std::string& packageId = arguments[0];
    auto kind = rules.ruleKind(packageId, requestedKind, ruleId);
    if (!kind) {
        return session.fail(kind.error());
    }
    if (auto option = inapplicableOption(*kind, parsed.options)) {
        return usageError(kAddCommand, *option + " does not apply to " + std::string(rawValue(*kind)) + " rules");
    }
    EditorInput base;
    if (ruleId) {
        auto stored = rules.editorInput(packageId, *ruleId);
        if (!stored) {
            return session.fail(stored.error());
        }
        base = std::move(stored).value();
    }
    auto rule = rules.saveRule(packageId, *kind, applyOptions(std::move(base), parsed.options), ruleId);
    if (!rule) {
        return session.fail(rule.error());
    }
    std::cout << rule->id << "\n";
    return session.finish();
}

int runRemove(Arguments arguments) {
    if (arguments.size() != 2) {
        return usageError(kRemoveCommand, "expected PACKAGE and RULE_ID");
    }
    CoreSession session;
    if (auto removed = session.services().rules().removeRule(arguments[0], arguments[1]); !removed) {
        return session.fail(removed.error());
    }
    return session.finish();
}

namespace {

int setEnabled(Arguments arguments, bool enable, const Command& command) {
    if (arguments.empty()) {
        return usageError(command, "missing PACKAGE");
    }
    CoreSession session;
    SwitchServices& switches = session.services().switches();
    const std::vector<std::string> ruleIds(arguments.begin() + 1, arguments.end());
    // A rebuild that WebKit refuses after the switch is shown, so the command fails with it.
    auto switched = ruleIds.empty() ? switches.setPackageEnabled(arguments[0], enable, nullptr)
                                    : switches.setRulesEnabled(arguments[0], ruleIds, enable, nullptr);
    if (!switched) {
        return session.fail(switched.error());
    }
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
    if (action == "new" && arguments.size() == 2) {
        if (arguments[1].empty()) {
            return usageError(kPackageCommand, "the name is empty");
        }
        CoreSession session;
        auto created = session.services().packages().createPackage(arguments[1]);
        if (!created) {
            return session.fail(created.error());
        }
        std::cout << created->id << "\n";
        return session.finish();
    }
    if (action == "rename" && arguments.size() == 3) {
        CoreSession session;
        if (auto renamed = session.services().packages().renamePackage(arguments[1], arguments[2]); !renamed) {
            return session.fail(renamed.error());
        }
        return session.finish();
    }
    if (action == "delete" && arguments.size() == 2) {
        CoreSession session;
        if (auto deleted = session.services().packages().deletePackage(arguments[1]); !deleted) {
            return session.fail(deleted.error());
        }
        return session.finish();
    }
    return usageError(kPackageCommand, "expected new NAME, rename ID NAME or delete ID");
}

} // namespace orvane::cli
