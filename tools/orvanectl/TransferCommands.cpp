// Commands that move packages between homes as package files: import and export.

#include "TransferCommands.h"

#include "CoreSession.h"

#include "catalog/DataManager.h"
#include "catalog/PackageExport.h"
#include "platform/ShownMessages.h"

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

} // namespace

int runImport(Arguments arguments) {
    if (arguments.size() != 1) {
        return usageError(kImportCommand, "expected FILE");
    }
    CoreSession session;
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
    if (arguments.size() != 2) {
        return usageError(kExportCommand, "expected PACKAGE and FILE");
    }
    CoreSession session;
    auto package = findEditablePackage(arguments[0]);
    if (!package) {
        if (findPackage(arguments[0])) {
            std::cerr << "Preinstalled packages cannot be exported\n";
        } else {
            std::cerr << "No package with id '" << arguments[0] << "'\n";
        }
        return kExitFailure;
    }
    const auto path = withPackageFileExtension(arguments[1]);
    if (exportPackage(*package, path)) {
        std::cout << path.string() << "\n";
    }
    return session.finish();
}

} // namespace orvane::cli
