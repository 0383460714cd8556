#pragma once

#include "app/RuleListQuery.h"
#include "app/RuleListSnapshot.h"
#include "app/ServiceError.h"
#include "model/EditorInput.h"
#include "model/Records.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class BlockerPreferenceManager;

// A rule as the rule list shows it.
struct RuleSummary {
    Rule rule;
    bool enabled = true;
    std::string description;
};

// What the front ends do with rules: list them, fill an editor, save an editor's rule, delete.
// Main thread.
class RuleServices {
public:
    explicit RuleServices(std::shared_ptr<BlockerPreferenceManager> preferences);

    // The rule list of a package: the enabled filter, then the search, in package order.
    ServiceResult<std::vector<RuleSummary>> listRules(const std::string& packageId, EnabledFilter filter,
                                                      const std::string& search) const;

    // The package's rules as the catalog holds them, uncopied, with its disabled rules: what a
    // list over all of a large package's rules reads (RuleListSnapshot.cpp).
    ServiceResult<RuleListSnapshot> ruleListSnapshot(const std::string& packageId) const;
    // Sorted ids of the package's disabled rules, as the switches stand now.
    std::vector<std::string> disabledRuleIds(const std::string& packageId) const;

    // The kind of editor a rule of the package opens: a configurable package's own kind; for a
    // custom package the kind of the edited rule's action, else `requested`. Refuses a kind a
    // configurable package does not take, and preinstalled packages.
    ServiceResult<ConfigurablePackageType> ruleKind(const std::string& packageId,
                                                    std::optional<ConfigurablePackageType> requested,
                                                    const std::optional<std::string>& editedRuleId) const;

    // The editor's controls filled from a stored rule.
    ServiceResult<EditorInput> editorInput(const std::string& packageId, const std::string& ruleId) const;

    // Builds the rule of `kind` from the editor's controls and stores it in the package: a new
    // rule, or the rule with `editedRuleId` replaced in place, keeping the conditions its editor
    // has no control for. A rule equal to the stored one is not stored again. A refused build
    // answers the builder's message (which it also showed). So does a rule WebKit would refuse
    // (RuleRejection.h: a url filter outside its regular expressions, a domain not in lower-case
    // ASCII, ...) and a selector it cannot read (SelectorSyntax.h), in the terms of the field.
    ServiceResult<Rule> saveRule(const std::string& packageId, ConfigurablePackageType kind, const EditorInput& input,
                                 const std::optional<std::string>& editedRuleId);

    ServiceResult<void> removeRule(const std::string& packageId, const std::string& ruleId);

private:
    std::shared_ptr<BlockerPreferenceManager> preferences_;
};

} // namespace orvane
