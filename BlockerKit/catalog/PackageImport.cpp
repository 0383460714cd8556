// The catalog's import of package files and plain content-blocker lists.

#include "catalog/DataManager.h"

#include "catalog/ContentBlockerListImport.h"
#include "catalog/ImportFile.h"
#include "catalog/ImportMerge.h"
#include "platform/NotificationCenter.h"

namespace orvane {
namespace {

ImportReport told(ImportReport::Outcome outcome, std::string message) {
    showMessage(message, false);
    return ImportReport{outcome, std::move(message)};
}

} // namespace

ImportReport DataManager::importPackages(const std::filesystem::path& url) {
    ImportReport report;
    auto contents = readImportFile(url);
    if (contents && contents->contentBlockerList) {
        contents->packages =
            packagesForContentBlockerList(url.stem().string(), *contents->contentBlockerList, *customPackages());
    }
    if (!contents) {
        report = told(ImportReport::Outcome::Unreadable, "Invalid import data");
    } else if (contents->packages.empty() && !contents->contentBlockerList) {
        report = told(ImportReport::Outcome::NothingCompatible,
                      "No compatible packages found: importedPackages.isEmpty == true");
    } else {
        report = mergeImported(contents->packages, contents->skipped);
        if (report.imported()) {
            NotificationCenter::shared().post(kDidImportBlockers, this);
        }
    }
    // A merge that could not be saved exists nowhere but in the file, so the file stays.
    if (report.outcome != ImportReport::Outcome::NotSaved) {
        discardImportFile(url);
    }
    return report;
}

bool DataManager::mergeImportedPackages(const PackageList& packages, const SkippedRules& skipped) {
    return mergeImported(packages, skipped).imported();
}

ImportReport DataManager::mergeImported(const PackageList& packages, const SkippedRules& skipped) {
    const PackageListSnapshot preinstalled = preinstalledPackages();
    ImportOutcome outcome;
    bool changed = false;
    // One edit of the lists: a reader sees the catalog before the import or after it, never between.
    auto written = commitEditable(
        [&](PackageList& configurable, PackageList& custom) {
            outcome = mergeImport(configurable, custom, *preinstalled, packages);
            return outcome.addedAnything();
        },
        {PackageType::ConfigurablePackages, PackageType::CustomPackages}, changed);
    if (!changed) {
        return told(ImportReport::Outcome::NothingNew, importMessage("No new blockers were found", skipped));
    }
    if (!written) {
        return ImportReport{ImportReport::Outcome::NotSaved, notSaved(written.error()).message};
    }
    afterSave(std::nullopt, nullptr);
    if (auto handOver = syncHandOver()) {
        for (const auto& merged : outcome.mergedRules) {
            handOver->rulesChanged(merged.rules, merged.packageId);
        }
        for (const auto& package : outcome.newPackages) {
            handOver->packageChanged(package);
        }
    }
    return told(ImportReport::Outcome::Imported, importMessage("Blockers were successfuly imported", skipped));
}

} // namespace orvane
