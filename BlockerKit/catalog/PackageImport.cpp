// The catalog's import of package files.

#include "catalog/DataManager.h"

#include "catalog/ContentBlockerListImport.h"
#include "catalog/ImportFile.h"
#include "catalog/ImportMerge.h"
#include "platform/NotificationCenter.h"

namespace orvane {

void DataManager::importPackages(const std::filesystem::path& url) {
    auto contents = readImportFile(url);
    if (contents && contents->contentBlockerList) {
        contents->packages =
            packagesForContentBlockerList(url.stem().string(), *contents->contentBlockerList, *customPackages());
    }
    if (!contents) {
        showMessage("Invalid import data", false);
    } else if (contents->packages.empty() && !contents->contentBlockerList) {
        showMessage("No compatible packages found: importedPackages.isEmpty == true", false);
    } else if (mergeImportedPackages(contents->packages, contents->skipped)) {
        NotificationCenter::shared().post(kDidImportBlockers, this);
    }
    discardImportFile(url);
}

bool DataManager::mergeImportedPackages(const PackageList& packages, const SkippedRules& skipped) {
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
        showMessage(importMessage("No new blockers were found", skipped), false);
        return false;
    }
    saveEditablePackages(std::nullopt, nullptr);
    showMessage(importMessage("Blockers were successfuly imported", skipped), false);
    return true;
}

} // namespace orvane
