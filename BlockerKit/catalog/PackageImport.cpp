// The catalog's import of package files.

#include "catalog/DataManager.h"

#include "catalog/ImportFile.h"
#include "catalog/ImportMerge.h"
#include "platform/NotificationCenter.h"

namespace orvane {

void DataManager::importPackages(const std::filesystem::path& url) {
    auto packages = readImportFile(url);
    if (!packages) {
        showMessage("Invalid import data", false);
    } else if (packages->empty()) {
        showMessage("No compatible packages found: importedPackages.isEmpty == true", false);
    } else if (mergeImportedPackages(*packages)) {
        NotificationCenter::shared().post(kDidImportBlockers, this);
    }
    discardImportFile(url);
}

bool DataManager::mergeImportedPackages(const PackageList& packages) {
    const PackageListSnapshot preinstalled = preinstalledPackages();
    ImportOutcome outcome;
    // One edit of the lists: a reader sees the catalog before the import or after it, never between.
    editEditable([&](PackageList& configurable, PackageList& custom) {
        outcome = mergeImport(configurable, custom, *preinstalled, packages);
    });
    if (auto handOver = syncHandOver()) {
        for (const auto& merged : outcome.mergedRules) {
            handOver->rulesChanged(merged.rules, merged.packageId);
        }
        for (const auto& package : outcome.newPackages) {
            handOver->packageChanged(package);
        }
    }
    if (!outcome.addedAnything()) {
        showMessage("No new blockers were found", false);
        return false;
    }
    saveEditablePackages(std::nullopt, nullptr);
    showMessage("Blockers were successfuly imported", false);
    return true;
}

} // namespace orvane
