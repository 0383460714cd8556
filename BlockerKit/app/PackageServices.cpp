#include "app/PackageServices.h"

#include "app/ServiceErrors.h"
#include "catalog/ContentBlockerListExport.h"
#include "catalog/DataManager.h"
#include "catalog/PackageExport.h"
#include "platform/Uuid.h"
#include "prefs/BlockerPreferenceManager.h"

#include <glib.h>

#include <algorithm>

namespace orvane {
namespace {

bool contains(const PackageList& list, const std::string& id) {
    return std::any_of(list.begin(), list.end(), [&](const Package& p) { return p.id == id; });
}

std::optional<Package> findIn(const PackageList& list, const std::string& id) {
    auto it = std::find_if(list.begin(), list.end(), [&](const Package& p) { return p.id == id; });
    return it == list.end() ? std::nullopt : std::optional(*it);
}

} // namespace

std::string_view sectionTitle(PackageSection section) {
    switch (section) {
    case PackageSection::Preinstalled: return "Preinstalled";
    case PackageSection::Configurables: return "Configurable";
    case PackageSection::Custom: return "Custom";
    }
    return "";
}

ServiceResult<void> checkText(std::string_view what, const std::string& text) {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return ServiceError{ServiceErrorCode::InvalidText,
                            "The " + std::string(what) + " is not valid text: it must be UTF-8 without NUL characters"};
    }
    return {};
}

std::vector<std::string> preinstalledPackageNames() {
    DataManager& catalog = DataManager::shared();
    catalog.loadPreinstalledPackagesIfEmpty();
    std::vector<std::string> names;
    for (const auto& package : *catalog.preinstalledPackages()) {
        names.push_back(package.name);
    }
    return names;
}

PackageServices::PackageServices(std::shared_ptr<BlockerPreferenceManager> preferences)
    : preferences_(std::move(preferences)) {}

std::optional<PackageSection> sectionOf(const std::string& packageId) {
    DataManager& catalog = DataManager::shared();
    if (contains(*catalog.configurablePackages(), packageId)) {
        return PackageSection::Configurables;
    }
    if (contains(*catalog.customPackages(), packageId)) {
        return PackageSection::Custom;
    }
    if (contains(*catalog.preinstalledPackages(), packageId)) {
        return PackageSection::Preinstalled;
    }
    return std::nullopt;
}

std::optional<Package> findPackage(const std::string& packageId) {
    DataManager& catalog = DataManager::shared();
    for (const auto& list : {catalog.configurablePackages(), catalog.customPackages(), catalog.preinstalledPackages()}) {
        if (auto found = findIn(*list, packageId)) {
            return found;
        }
    }
    return std::nullopt;
}

std::vector<PackageSummary> PackageServices::summaries() const {
    DataManager& catalog = DataManager::shared();
    const PackageOrder order = catalog.packageOrder();
    const PackageListSnapshot configurable = catalog.configurablePackages();
    const PackageListSnapshot custom = catalog.customPackages();
    const std::vector<std::string> disabledPackages = preferences_->disabledPackages();
    const DisabledRules disabledRules = preferences_->disabledRules();
    std::vector<PackageSummary> summaries;
    summaries.reserve(order.packages().size());
    for (const Package* package : order.packages()) {
        PackageSummary summary;
        summary.id = package->id;
        summary.name = package->name;
        summary.section = contains(*configurable, package->id) ? PackageSection::Configurables
                          : contains(*custom, package->id)     ? PackageSection::Custom
                                                               : PackageSection::Preinstalled;
        summary.ruleCount = package->rules.size();
        auto marks = disabledRules.find(package->id);
        summary.disabledRuleCount =
            std::min(marks == disabledRules.end() ? std::size_t{0} : marks->second.size(), summary.ruleCount);
        summary.enabled =
            std::find(disabledPackages.begin(), disabledPackages.end(), package->id) == disabledPackages.end();
        summaries.push_back(std::move(summary));
    }
    return summaries;
}

Package PackageServices::createPendingPackage() {
    Package package{makeUUID(), "New Package", {}};
    DataManager::shared().appendCustomPackage(package);
    return package;
}

ServiceResult<Package> PackageServices::createPackage(const std::string& name) {
    if (auto checked = checkText("package name", name); !checked) {
        return checked.error();
    }
    if (name.empty()) {
        return ServiceError{ServiceErrorCode::InvalidText, "The package name is empty"};
    }
    Package package{makeUUID(), name, {}};
    if (auto added = DataManager::shared().addCustomPackage(package); !added) {
        return serviceError(added.error());
    }
    return package;
}

ServiceResult<Package> PackageServices::renamePackage(const std::string& packageId, const std::string& name) {
    auto package = findIn(*DataManager::shared().customPackages(), packageId);
    if (!package) {
        return unknownCustomPackage(packageId, sectionOf(packageId).has_value());
    }
    if (auto checked = checkText("package name", name); !checked) {
        return checked.error();
    }
    if (name.empty() || name == package->name) {
        return *package;
    }
    auto renamed = DataManager::shared().renameCustomPackage(*package, name);
    if (!renamed) {
        return serviceError(renamed.error());
    }
    return std::move(renamed).value();
}

ServiceResult<void> PackageServices::deletePackage(const std::string& packageId) {
    auto package = findIn(*DataManager::shared().customPackages(), packageId);
    if (!package) {
        return unknownCustomPackage(packageId, sectionOf(packageId).has_value());
    }
    if (auto removed = DataManager::shared().removeCustomPackage(*package); !removed) {
        return serviceError(removed.error());
    }
    return {};
}

ServiceResult<std::filesystem::path> PackageServices::exportPackage(const std::string& packageId,
                                                                    const std::filesystem::path& path) {
    const auto section = sectionOf(packageId);
    if (!section) {
        return unknownPackage(packageId);
    }
    if (*section == PackageSection::Preinstalled) {
        return ServiceError{ServiceErrorCode::NotExportable, "Preinstalled packages cannot be exported"};
    }
    const auto target = withPackageFileExtension(path);
    if (auto written = orvane::exportPackage(*findPackage(packageId), target); !written) {
        return ServiceError{ServiceErrorCode::NotSaved, written.error().message};
    }
    return target;
}

ServiceResult<std::filesystem::path> PackageServices::exportContentBlockerList(const std::string& packageId,
                                                                              const std::filesystem::path& path) {
    const auto section = sectionOf(packageId);
    if (!section) {
        return unknownPackage(packageId);
    }
    if (*section == PackageSection::Preinstalled) {
        return ServiceError{ServiceErrorCode::NotExportable, "Preinstalled packages cannot be exported"};
    }
    const Package package = *findPackage(packageId);
    std::vector<Blocker> blockers;
    for (const auto& rule : preferences_->filterRules(package.rules, package.id, true)) {
        blockers.push_back(rule.blocker);
    }
    if (blockers.empty()) {
        return ServiceError{ServiceErrorCode::NotExportable, "Package '" + package.id + "' has no enabled rules"};
    }
    if (!orvane::exportContentBlockerList(blockers, path)) {
        return ServiceError{ServiceErrorCode::NotSaved, "There was an error saving package file."};
    }
    return path;
}

ImportReport PackageServices::importPackageFile(const std::filesystem::path& path) {
    return DataManager::shared().importPackages(path);
}

} // namespace orvane
