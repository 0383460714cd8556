#pragma once

#include "model/Enums.h"
#include "model/Records.h"
#include "platform/Fatal.h"
#include "platform/FileVersion.h"
#include "storage/StorageError.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class UserDefaults;

// What reading a package file found.
struct PackageFileContents {
    // Absent when the file is missing, empty, or nothing could be read from it.
    std::optional<std::vector<Package>> packages;
    // The file is there but could not be read whole (not JSON, cut short, not a regular file, or
    // values that had to be left out): what it holds is the user's, so it is kept aside before
    // anything writes over it.
    bool damaged = false;
    // The version of the file that was read (missing when there was none).
    FileIdentity identity;
};

// The storage layer under the catalog and the content-blocker output: where package files lie
// (application resources, the shared container, the documents directory), which copy is newest,
// and how package lists are read and written. Stateless; every operation is static.
class PersistentStore {
public:
    using Date = std::filesystem::file_time_type;
    using DatesToPaths = std::map<Date, std::filesystem::path>;

    // The application-group container; absent when it cannot be made.
    static std::optional<std::filesystem::path> sharedContainerURL();
    static std::optional<std::filesystem::path> documentsURL();
    // The application resource of that name, only when it exists.
    static std::optional<std::filesystem::path> resourcePath(const std::string& fileName);
    // The shared preferences domain of the application group.
    static UserDefaults& sharedDefaults();

    static std::optional<std::vector<Package>> loadPackages(PackageType type, bool isList);
    // The same, telling an unreadable file from a missing one, with the version read.
    static PackageFileContents loadPackageFile(PackageType type, bool isList);
    static std::optional<std::vector<Package>> readPackages(const std::filesystem::path& path, bool isList);
    // Decoded while it is read. A rule that cannot be read (a text that is not UTF-8, nesting too
    // deep) is left out with its log line and costs that rule only; a UTF-8 byte-order mark at
    // the start is skipped.
    static PackageFileContents readPackageFile(const std::filesystem::path& path, bool isList);
    // Renames a file that cannot be read whole out of the way, to "<name>.damaged-<UTC time>" in
    // the same folder, and tells the user where it is. Answers the new path.
    static std::optional<std::filesystem::path> keepAside(const std::filesystem::path& path);
    static StorageResult writePackages(const std::vector<Package>& packages, const std::filesystem::path& path);
    static std::vector<Package> loadConfigurablePackages();
    static std::vector<Package> loadAllPackages();
    static void installPreinstalledPackages();
    static std::filesystem::path safariJSONPath();
    // The shared container's copy of a package file.
    static std::filesystem::path sharedPackagePath(PackageType type);
    static void copyFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                         bool overwrite);
    static std::optional<Date> modificationDate(const std::filesystem::path& path, DatesToPaths& datesToPaths);
};

// The defaults and repairs of the configurable list: the five defaults when nothing loaded;
// otherwise "whitelist" in front and "make-https" at the end when missing.
std::vector<Package> repairedConfigurablePackages(std::optional<std::vector<Package>> loaded);
// The combined order every output follows: preinstalled, configurable except the first, custom,
// then the first configurable package.
std::vector<Package> combinedPackageOrder(const std::vector<Package>& preinstalled,
                                          const std::vector<Package>& configurable,
                                          const std::vector<Package>& custom);

} // namespace orvane
