// Commands that move packages between homes as package files: import and export.

#include "TransferCommands.h"

#include "CoreSession.h"

#include "catalog/ContentBlockerListExport.h"
#include "catalog/DataManager.h"
#include "catalog/PackageExport.h"
#include "platform/ShownMessages.h"
#include "prefs/BlockerPreferenceManager.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {
namespace {

// A configurable or custom package by id: the ones the package list offers to export.
std::optional<Package> findEditablePackage(const std::string& id) {
    auto& catalog = DataManager::shared();
    for (const auto& list : {catalog.configurablePackages(), catalog.customPackages()}) {
        auto it = std::find_if(list->begin(), list->end(), [&](const Package& p) { return p.id == id; });
        if (it != list->end()) {
            return *it;
        }
    }
    return std::nullopt;
}

// The package's enabled rules as a plain content-blocker list at `path`.
int exportEnabledRules(const Package& package, const std::filesystem::path& path) {
    std::vector<Blocker> blockers;
    for (const auto& rule : DataManager::shared().preferenceManager()->filterRules(package.rules, package.id, true)) {
        blockers.push_back(rule.blocker);
    }
    // WebKit refuses an empty list.
    if (blockers.empty()) {
        std::cerr << "Package '" << package.id << "' has no enabled rules\n";
        return kExitFailure;
    }
    if (exportContentBlockerList(blockers, path)) {
        std::cout << path.string() << "\n";
    }
    return kExitOk;
}

} // namespace

int runImport(Arguments arguments) {
    if (arguments.size() != 1) {
        return usageError(kImportCommand, "expected FILE");
    }
    // What an import adds goes to the user's other machines, as every other edit does.
    CoreSession session(CloudSync::on);
    ShownMessages shown;
    bool imported = false;
    ObserverRegistration didImport(kDidImportBlockers, [&](const Notification&) { imported = true; });
    DataManager::shared().importPackages(arguments[0]);
    for (const auto& message : shown.messages()) {
        if (!message.warning) {
            std::cout << message.message << "\n";
        }
    }
    const int finished = session.finish();
    return imported ? finished : kExitFailure;
}

int runExport(Arguments arguments) {
    std::vector<std::string> rest(arguments.begin(), arguments.end());
    const auto flag = std::find(rest.begin(), rest.end(), "--content-blocker");
    const bool contentBlocker = flag != rest.end();
    if (contentBlocker) {
        rest.erase(flag);
    }
    if (rest.size() != 2) {
        return usageError(kExportCommand, "expected PACKAGE and FILE");
    }
    CoreSession session;
    auto package = findEditablePackage(rest[0]);
    if (!package) {
        if (findPackage(rest[0])) {
            std::cerr << "Preinstalled packages cannot be exported\n";
        } else {
            std::cerr << "No package with id '" << rest[0] << "'\n";
        }
        return kExitFailure;
    }
    if (contentBlocker) {
        const int exported = exportEnabledRules(*package, rest[1]);
        const int finished = session.finish();
        return exported == kExitOk ? finished : exported;
    }
    const auto path = withPackageFileExtension(rest[1]);
    if (exportPackage(*package, path)) {
        std::cout << path.string() << "\n";
    }
    return session.finish();
}

} // namespace orvane::cli
