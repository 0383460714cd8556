#pragma once

#include "app/CoreBridge.h"
#include "window/Clock.h"
#include "window/DetailPage.h"

#include <memory>
#include <optional>
#include <string>

namespace orvane::desktop {

class AdvancedVC;
class DarkWindowController;
class PackageVC;

// The editor the detail pane opens for a rule of a package.
struct EditorRequest {
    // "URLBlockerCreator", "CookiesCreator", "CSSBlockerCreator", "WhitelistCreator",
    // "MakeHttpsCreator", or "CustomBlockerCreator" (the kind chooser of a custom package).
    std::string editorID;
    // The kind of rule the editor makes; absent for the kind chooser.
    std::optional<ConfigurablePackageType> kind;
    std::string packageId;
    // The rule being edited; absent for a new rule.
    std::optional<std::string> ruleId;
};

// The main window's split view: the package list in the first pane, the rule list of the
// selected package or a rule editor in the second. Everything that changes the second pane
// goes through here.
class SplitViewController {
public:
    SplitViewController(DarkWindowController& window, CoreServices& services,
                        std::shared_ptr<Clock> clock = Clock::mainLoop());
    ~SplitViewController();
    SplitViewController(const SplitViewController&) = delete;
    SplitViewController& operator=(const SplitViewController&) = delete;

    AdvancedVC& packageList() { return *packageList_; }
    CoreServices& services() { return services_; }
    // The clock the pages' timed steps follow.
    const std::shared_ptr<Clock>& clock() const { return clock_; }
    DarkWindowController& windowController() { return window_; }
    // The page in the detail pane, and the rule list when that is what it shows.
    DetailPage* detail() { return detail_.get(); }
    PackageVC* ruleList();

    // The rule list of a package in the detail pane.
    void showRuleList(const std::string& packageId);
    // The editor for a rule of the package, or for a new rule when `ruleId` is absent: a
    // configurable package's own kind of editor, for a custom package the editor of the rule's
    // kind or, for a new rule, the kind chooser. Preinstalled rules are not edited.
    void showRuleEditor(const std::optional<std::string>& ruleId, const std::string& packageId);
    // Leaves an editor: back to the package's rule list, or a fresh editor when the package
    // still has no rules; then the package list redraws its selected row.
    void closeEditor(const std::string& packageId);
    // The package list redraws its selected row (counts and switch).
    void reloadSelectedRow();

    // The editor that showRuleEditor opens, absent for rules that are not edited.
    std::optional<EditorRequest> editorRequest(const std::optional<std::string>& ruleId,
                                               const std::string& packageId) const;

private:
    void setDetail(std::unique_ptr<DetailPage> page);

    DarkWindowController& window_;
    CoreServices& services_;
    std::shared_ptr<Clock> clock_;
    std::unique_ptr<DetailPage> detail_;
    std::unique_ptr<AdvancedVC> packageList_;
};

} // namespace orvane::desktop
