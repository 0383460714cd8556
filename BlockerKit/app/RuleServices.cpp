#include "app/RuleServices.h"

#include "app/PackageServices.h"
#include "app/ServiceErrors.h"
#include "catalog/DataManager.h"
#include "model/Description.h"
#include "model/EditorKinds.h"
#include "model/HiddenConditions.h"
#include "model/RuleRejection.h"
#include "model/SelectorSyntax.h"
#include "model/ShortText.h"
#include "platform/ShownMessages.h"
#include "prefs/BlockerPreferenceManager.h"

#include <algorithm>

namespace orvane {
namespace {

struct Located {
    Package package;
    PackageSection section;
};

ServiceResult<Located> locate(const std::string& packageId) {
    auto section = sectionOf(packageId);
    if (!section) {
        return unknownPackage(packageId);
    }
    return Located{*findPackage(packageId), *section};
}

const Rule* findRule(const Package& package, const std::string& ruleId) {
    auto it = std::find_if(package.rules.begin(), package.rules.end(), [&](const Rule& r) { return r.id == ruleId; });
    return it == package.rules.end() ? nullptr : &*it;
}

ServiceResult<void> checkInput(const EditorInput& input) {
    for (const auto& [what, text] : {std::pair<const char*, const std::string&>{"rule name", input.name},
                                     {"URL filter", input.urlFilter},
                                     {"selector", input.selector}}) {
        if (auto checked = checkText(what, text); !checked) {
            return checked;
        }
    }
    for (const auto& row : input.domainRows) {
        if (auto checked = checkText("domain", row); !checked) {
            return checked;
        }
    }
    return {};
}

// Why the rule cannot be written although its editor built it: WebKit would refuse it, and with
// it every rule of the list; or it hides by a selector WebKit cannot read, so it would hide nothing.
std::optional<std::string> unwritable(const Rule& rule) {
    if (auto rejection = ruleRejection(rule.blocker)) {
        return rejection->message;
    }
    const Action& action = rule.blocker.action;
    if (action.type == ActionType::Hide && action.selector) {
        if (auto problem = selectorProblem(*action.selector)) {
            return "The CSS selector " + orvane::quoted(*action.selector) +
                   " is not one content blockers can read (" + *problem + "), so the rule would hide nothing";
        }
    }
    return std::nullopt;
}

} // namespace

RuleServices::RuleServices(std::shared_ptr<BlockerPreferenceManager> preferences)
    : preferences_(std::move(preferences)) {}

ServiceResult<std::vector<RuleSummary>> RuleServices::listRules(const std::string& packageId, EnabledFilter filter,
                                                                const std::string& search) const {
    auto located = locate(packageId);
    if (!located) {
        return located.error();
    }
    const Package& package = located->package;
    const DisabledRules disabled = preferences_->disabledRules();
    const auto marks = disabled.find(package.id);
    std::vector<RuleSummary> summaries;
    for (auto& rule : filterAndSearchRules(package, filter, search, *preferences_)) {
        const bool enabled = marks == disabled.end() ||
                             !std::binary_search(marks->second.begin(), marks->second.end(), rule.id);
        std::string description = descriptionText(rule);
        summaries.push_back(RuleSummary{std::move(rule), enabled, std::move(description)});
    }
    return summaries;
}

ServiceResult<ConfigurablePackageType> RuleServices::ruleKind(const std::string& packageId,
                                                              std::optional<ConfigurablePackageType> requested,
                                                              const std::optional<std::string>& editedRuleId) const {
    auto located = locate(packageId);
    if (!located) {
        return located.error();
    }
    const Package& package = located->package;
    switch (located->section) {
    case PackageSection::Preinstalled:
        return ServiceError{ServiceErrorCode::NotEditable, "Rules of preinstalled packages cannot be changed"};
    case PackageSection::Configurables: {
        const auto own = packageKind(package.id);
        if (!own) {
            return ServiceError{ServiceErrorCode::NotEditable,
                                "Package '" + package.id + "' is not one of the five kinds of rules and takes none"};
        }
        if (requested && *requested != *own) {
            return ServiceError{ServiceErrorCode::WrongRuleKind,
                                "Package '" + package.id + "' takes only " + package.id + " rules"};
        }
        return *own;
    }
    case PackageSection::Custom:
        if (requested) {
            return *requested;
        }
        if (editedRuleId) {
            if (const Rule* rule = findRule(package, *editedRuleId)) {
                return editorKindForAction(rule->blocker.action.type);
            }
            return unknownRule(*editedRuleId, package.id);
        }
        return ServiceError{ServiceErrorCode::NeedsRuleKind, "A custom package needs the kind of the rule"};
    }
    return unknownPackage(packageId);
}

ServiceResult<EditorInput> RuleServices::editorInput(const std::string& packageId, const std::string& ruleId) const {
    auto located = locate(packageId);
    if (!located) {
        return located.error();
    }
    const Rule* rule = findRule(located->package, ruleId);
    if (rule == nullptr) {
        return unknownRule(ruleId, packageId);
    }
    return editorInputForRule(*rule);
}

ServiceResult<Rule> RuleServices::saveRule(const std::string& packageId, ConfigurablePackageType kind,
                                           const EditorInput& input, const std::optional<std::string>& editedRuleId) {
    auto checkedKind = ruleKind(packageId, kind, editedRuleId);
    if (!checkedKind) {
        return checkedKind.error();
    }
    if (auto checked = checkInput(input); !checked) {
        return checked.error();
    }
    const Package package = *findPackage(packageId);
    const Rule* edited = nullptr;
    if (editedRuleId) {
        edited = findRule(package, *editedRuleId);
        if (edited == nullptr) {
            return unknownRule(*editedRuleId, packageId);
        }
    }
    ShownMessages shown;
    auto rule = buildRule(kind, input, editedRuleId);
    if (rule && edited != nullptr) {
        // The editor builds from its controls alone; what it cannot show stays as stored.
        rule = withHiddenConditions(kind, *edited, std::move(*rule));
    }
    if (rule) {
        if (auto problem = unwritable(*rule)) {
            showMessage(*problem, true);
            rule.reset();
        }
    }
    if (!rule) {
        const auto messages = shown.messages();
        return ServiceError{ServiceErrorCode::RuleNotBuilt,
                            messages.empty() ? std::string("The rule could not be built") : messages.back().message};
    }
    if (edited != nullptr && *rule == *edited) {
        return *rule;
    }
    auto saved = DataManager::shared().saveRule(*rule, package, false);
    if (!saved) {
        return serviceError(saved.error());
    }
    return *rule;
}

ServiceResult<void> RuleServices::removeRule(const std::string& packageId, const std::string& ruleId) {
    auto located = locate(packageId);
    if (!located) {
        return located.error();
    }
    if (located->section == PackageSection::Preinstalled) {
        return ServiceError{ServiceErrorCode::NotEditable, "Rules of preinstalled packages cannot be removed"};
    }
    const Rule* rule = findRule(located->package, ruleId);
    if (rule == nullptr) {
        return unknownRule(ruleId, packageId);
    }
    auto removed = DataManager::shared().removeRule(*rule, located->package, false);
    if (!removed) {
        return serviceError(removed.error());
    }
    return {};
}

} // namespace orvane
