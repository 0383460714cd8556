#include "window/SplitViewController.h"

#include "editors/RuleEditors.h"
#include "packages/AdvancedVC.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "rules/PackageVC.h"
#include "window/DarkWindowController.h"

namespace orvane::desktop {

SplitViewController::SplitViewController(DarkWindowController& window, CoreServices& services,
                                         std::shared_ptr<Clock> clock)
    : window_(window), services_(services), clock_(std::move(clock)) {
    packageList_ = std::make_unique<AdvancedVC>(*this, clock_);
    window_.packagePane().append(packageList_->widget());
    packageList_->selectInitialRow();
}

SplitViewController::~SplitViewController() {
    window_.setSearchField(nullptr);
    if (detail_) {
        window_.detailPane().remove(detail_->widget());
    }
    detail_.reset();
    window_.packagePane().remove(packageList_->widget());
}

PackageVC* SplitViewController::ruleList() { return dynamic_cast<PackageVC*>(detail_.get()); }

void SplitViewController::setDetail(std::unique_ptr<DetailPage> page) {
    Gtk::Widget* focus = window_.window().get_focus();
    const bool focusInPane = focus != nullptr && focus->is_ancestor(window_.detailPane());
    if (focusInPane) {
        // The focus leaves the page before the page goes: GTK 4.8 would otherwise look for a new
        // one among the rows of a list on its way out.
        window_.window().unset_focus();
    }
    if (detail_) {
        window_.detailPane().remove(detail_->widget());
        // The old page may be what asked for the new one, from inside one of its handlers: it
        // goes once that has returned.
        runOnMain([retired = std::shared_ptr<DetailPage>(std::move(detail_))] {});
    }
    detail_ = std::move(page);
    window_.detailPane().append(detail_->widget());
    window_.setSearchField(detail_->searchField());
}

void SplitViewController::showRuleList(const std::string& packageId) {
    setDetail(std::make_unique<PackageVC>(*this, packageId));
}

std::optional<EditorRequest> SplitViewController::editorRequest(const std::optional<std::string>& ruleId,
                                                                const std::string& packageId) const {
    auto kind = services_.rules().ruleKind(packageId, std::nullopt, ruleId);
    if (kind) {
        return EditorRequest{std::string(core::editorIDForKind(*kind)), *kind, packageId, ruleId};
    }
    if (kind.error().code == ServiceErrorCode::NeedsRuleKind) {
        return EditorRequest{"CustomBlockerCreator", std::nullopt, packageId, std::nullopt};
    }
    return std::nullopt;
}

void SplitViewController::showRuleEditor(const std::optional<std::string>& ruleId, const std::string& packageId) {
    auto request = editorRequest(ruleId, packageId);
    if (!request) {
        // Preinstalled rules are switched, never edited: their list stays.
        if (core::packageSnapshot(packageId)) {
            showRuleList(packageId);
        }
        return;
    }
    setDetail(makeRuleEditor(*request, *this));
}

void SplitViewController::closeEditor(const std::string& packageId) {
    auto package = core::packageSnapshot(packageId);
    if (!package) {
        return;
    }
    if ((*package)->rules.empty()) {
        showRuleEditor(std::nullopt, packageId);
    } else {
        showRuleList(packageId);
    }
    reloadSelectedRow();
}

void SplitViewController::reloadSelectedRow() { packageList_->reloadSelectedRow(); }

} // namespace orvane::desktop
