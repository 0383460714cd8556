#include "catalog/PackageExport.h"

#include "platform/NotificationCenter.h"
#include "storage/PersistentStore.h"

namespace orvane {

std::filesystem::path withPackageFileExtension(std::filesystem::path path) {
    const std::string extension = "." + std::string(kPackageFileExtension);
    if (path.extension() != extension) {
        path += extension;
    }
    return path;
}

bool exportPackage(const Package& package, const std::filesystem::path& path) {
    if (!PersistentStore::writePackages({package}, path)) {
        showMessage("There was an error saving package file.", true);
        return false;
    }
    return true;
}

} // namespace orvane
