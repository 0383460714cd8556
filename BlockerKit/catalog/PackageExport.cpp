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

StorageResult exportPackage(const Package& package, const std::filesystem::path& path) {
    auto written = PersistentStore::writePackages({package}, path);
    if (!written) {
        showMessage("There was an error saving package file.", true);
    }
    return written;
}

} // namespace orvane
