#pragma once

#include "app/ServiceError.h"
#include "catalog/ImportReport.h"
#include "model/Records.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class BlockerPreferenceManager;

// The three groups of the package list, in its order.
enum class PackageSection { Preinstalled, Configurables, Custom };

// The header of a section: "Preinstalled", "Configurable", "Custom".
std::string_view sectionTitle(PackageSection section);

// A package as the package list shows it.
struct PackageSummary {
    std::string id;
    std::string name;
    PackageSection section = PackageSection::Preinstalled;
    std::size_t ruleCount = 0;
    // The disabled marks of its rules, never more than it has rules.
    std::size_t disabledRuleCount = 0;
    bool enabled = true;
};

// What the front ends do with packages: list, find, create, rename, delete, export, import.
// Main thread.
class PackageServices {
public:
    explicit PackageServices(std::shared_ptr<BlockerPreferenceManager> preferences);

    // Every package in the catalog's combined order.
    std::vector<PackageSummary> summaries() const;

    // The package the add row makes: "New Package" with a fresh id, in memory until something
    // saves the custom packages.
    Package createPendingPackage();
    // A new, empty custom package with that name, saved at once.
    ServiceResult<Package> createPackage(const std::string& name);
    // An empty name or the current one changes nothing.
    ServiceResult<Package> renamePackage(const std::string& packageId, const std::string& name);
    ServiceResult<void> deletePackage(const std::string& packageId);
    // Writes a configurable or custom package alone as a package file; answers the path written
    // (".orvanepkg" appended when missing).
    ServiceResult<std::filesystem::path> exportPackage(const std::string& packageId, const std::filesystem::path& path);
    // Writes the enabled rules of a configurable or custom package as a plain content-blocker
    // list, as WebKit compiles it; a package with none is refused (WebKit refuses an empty list).
    ServiceResult<std::filesystem::path> exportContentBlockerList(const std::string& packageId,
                                                                  const std::filesystem::path& path);
    // Merges a package file into the catalog and moves it to the Trash.
    ImportReport importPackageFile(const std::filesystem::path& path);

private:
    std::shared_ptr<BlockerPreferenceManager> preferences_;
};

// The section of a package of the catalog, absent for an unknown id.
std::optional<PackageSection> sectionOf(const std::string& packageId);
// Any package of the catalog by id.
std::optional<Package> findPackage(const std::string& packageId);

// The names of the preinstalled packages, in catalog order (loaded when the catalog has none yet).
std::vector<std::string> preinstalledPackageNames();

// Refuses text that cannot be stored: names and fields must be UTF-8.
ServiceResult<void> checkText(std::string_view what, const std::string& text);

} // namespace orvane
