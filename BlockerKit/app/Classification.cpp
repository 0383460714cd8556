#include "app/Classification.h"

#include "catalog/DataManager.h"

namespace orvane {

std::optional<ResourceFilter> preinstalledResourceFilter() {
    DataManager& catalog = DataManager::shared();
    catalog.loadPreinstalledPackagesIfEmpty();
    const PackageListSnapshot preinstalled = catalog.preinstalledPackages();
    if (preinstalled->empty()) {
        return std::nullopt;
    }
    return std::optional<ResourceFilter>(std::in_place, *preinstalled);
}

} // namespace orvane
