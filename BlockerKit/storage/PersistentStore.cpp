#include "storage/PersistentStore.h"

#include "model/JsonEncoding.h"
#include "model/PackageDecoder.h"
#include "platform/AtomicFile.h"
#include "platform/Fatal.h"
#include "platform/JsonEvents.h"
#include "platform/JsonFileStream.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <ctime>
#include <system_error>

namespace orvane {
namespace fs = std::filesystem;

namespace {

fs::path requireSharedContainer() {
    auto container = PersistentStore::sharedContainerURL();
    if (!container) {
        fatalConfigurationFault("Invalid filepath for nil");
    }
    return *container;
}

std::string lastComponent(const fs::path& path) { return path.filename().string(); }

} // namespace

std::optional<fs::path> PersistentStore::sharedContainerURL() {
    fs::path container = sharedContainerDirectory();
    std::error_code error;
    fs::create_directories(container, error);
    if (error || !fs::is_directory(container, error)) {
        return std::nullopt;
    }
    return container;
}

std::optional<fs::path> PersistentStore::documentsURL() { return documentsDirectory(); }

std::optional<fs::path> PersistentStore::resourcePath(const std::string& fileName) {
    fs::path path = resourcesDirectory() / fileName;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    return path;
}

UserDefaults& PersistentStore::sharedDefaults() { return UserDefaults::group(); }

fs::path PersistentStore::sharedPackagePath(PackageType type) {
    return requireSharedContainer() / std::string(rawValue(type));
}

std::optional<PersistentStore::Date> PersistentStore::modificationDate(const fs::path& path,
                                                                      DatesToPaths& datesToPaths) {
    std::error_code error;
    if (!fs::exists(path, error)) {
        return std::nullopt;
    }
    // A FIFO or a device (or a link to one) named like a package file is never read: it could
    // block the reader or feed it without end.
    if (!fs::is_regular_file(path, error)) {
        log(path.string() + " is not a regular file; it is left alone");
        return std::nullopt;
    }
    Date date = fs::last_write_time(path, error);
    if (error) {
        log("No modification date for file at path " + path.string());
        return std::nullopt;
    }
    datesToPaths[date] = path;
    return date;
}

namespace {

constexpr const char* kDocumentsCopiesKey = "DocumentsCopiesBroughtIn";

// A documents copy is brought in once: the same copy (same size and date) must not replace
// later saves again, however new its date looks.
std::string copyStamp(const fs::path& path) {
    const FileIdentity identity = fileIdentity(path);
    return std::to_string(identity.size) + " " + std::to_string(identity.modifiedNanoseconds);
}

bool broughtInBefore(const std::string& name, const fs::path& documentsCopy) {
    auto copies = PersistentStore::sharedDefaults().dictionaryForKey(kDocumentsCopiesKey);
    if (!copies) {
        return false;
    }
    auto entry = copies->find(name);
    const std::string* stamp = entry == copies->end() ? nullptr : entry->second.asString();
    return stamp != nullptr && *stamp == copyStamp(documentsCopy);
}

void rememberBroughtIn(const std::string& name, const fs::path& documentsCopy) {
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    defaults.update([&](PropertyDictionary& values) {
        auto [entry, made] = values.try_emplace(kDocumentsCopiesKey, PropertyDictionary{});
        if (!entry->second.isDictionary()) {
            entry->second = PropertyDictionary{};
        }
        entry->second.asDictionary()->insert_or_assign(name, copyStamp(documentsCopy));
    });
    defaults.synchronize();
}

std::string utcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
    return text;
}

} // namespace

std::optional<std::vector<Package>> PersistentStore::loadPackages(PackageType type, bool isList) {
    return loadPackageFile(type, isList).packages;
}

PackageFileContents PersistentStore::loadPackageFile(PackageType type, bool isList) {
    const std::string name(rawValue(type));
    fs::path shared = requireSharedContainer() / name;
    auto documents = documentsURL();
    if (!documents) {
        fatalConfigurationFault("Invalid filepath for nil");
    }
    const fs::path documentsCopy = *documents / name;
    std::vector<fs::path> candidates;
    if (auto resource = resourcePath(name)) {
        candidates.push_back(*resource);
    }
    candidates.push_back(shared);
    std::error_code error;
    if (fs::exists(documentsCopy, error) && !broughtInBefore(name, documentsCopy)) {
        candidates.push_back(documentsCopy);
    }

    DatesToPaths datesToPaths;
    std::optional<Date> newest;
    for (const auto& candidate : candidates) {
        auto date = modificationDate(candidate, datesToPaths);
        if (date && (!newest || *date > *newest)) {
            newest = date;
        }
    }
    if (!newest) {
        // A shared copy that is there but no regular file still counts: it is kept aside before
        // anything is written in its place.
        return readPackageFile(shared, isList);
    }
    const fs::path chosen = datesToPaths[*newest];
    if (chosen != shared) {
        log("Copying from " + chosen.string() + " to Shared Container " + shared.string());
        if (readPackageFile(shared, isList).damaged) {
            keepAside(shared);
        }
        copyFile(chosen, shared, true);
        if (chosen == documentsCopy) {
            rememberBroughtIn(name, documentsCopy);
        }
    }
    log(lastComponent(chosen) + " is in Shared Container.");
    return readPackageFile(shared, isList);
}

std::optional<std::vector<Package>> PersistentStore::readPackages(const fs::path& path, bool isList) {
    return readPackageFile(path, isList).packages;
}

PackageFileContents PersistentStore::readPackageFile(const fs::path& path, bool isList) {
    PackageFileContents contents;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) {
        contents.identity = fileIdentity(path);
        return contents;
    }
    const auto top = isList ? PackageDecoder::Top::PackageList : PackageDecoder::Top::Package;
    // Decoded while it is read: a large catalog never exists as text and document at once.
    JsonFileStream stream(path);
    contents.identity = stream.identity();
    if (!stream.good()) {
        log(stream.error());
        contents.damaged = true;
        return contents;
    }
    if (stream.atEnd()) {
        return contents;
    }
    PackageDecoder decoder(top);
    bool parsed = parseJsonEvents(stream, decoder) && stream.good() && stream.atEnd();
    if (!parsed && stream.good()) {
        // Something in it breaks the rules for untrusted text. Read again leaving out only what
        // breaks them, so that one broken rule costs that rule, not the file.
        JsonFileStream again(path);
        decoder = PackageDecoder(top);
        const auto leftOut = again.good() ? parseJsonEventsTolerantly(again, decoder) : std::nullopt;
        parsed = leftOut && again.good() && again.atEnd();
        if (parsed) {
            log("Some values of " + path.string() + " could not be read; the rules holding them were left out");
            contents.damaged = true;
        }
        contents.identity = again.identity();
    }
    if (!stream.good()) {
        log(stream.error());
        contents.damaged = true;
        return contents;
    }
    if (!parsed) {
        log("Could not read packages from " + path.string() + ": not valid JSON");
        contents.damaged = true;
        return contents;
    }
    auto packages = decoder.takePackages();
    if (!isList && packages.empty()) {
        return contents;
    }
    contents.packages = std::move(packages);
    return contents;
}

std::optional<fs::path> PersistentStore::keepAside(const fs::path& path) {
    const std::string base = path.filename().string() + ".damaged-" + utcStamp();
    fs::path kept = path.parent_path() / base;
    std::error_code error;
    for (int n = 2; fs::exists(fs::symlink_status(kept, error)); ++n) {
        kept = path.parent_path() / (base + "-" + std::to_string(n));
    }
    fs::rename(path, kept, error);
    if (error) {
        log("Could not keep " + path.string() + " aside: " + error.message());
        return std::nullopt;
    }
    log("Kept the damaged " + path.string() + " as " + kept.string());
    showMessage("The file " + lastComponent(path) + " could not be read whole, so it was kept as " + kept.string() +
                    " before it was written anew.",
                true);
    return kept;
}

StorageResult PersistentStore::writePackages(const std::vector<Package>& packages, const fs::path& path) {
    auto text = toJSONString(packages);
    if (!text) {
        std::string message = "Could not encode packages for " + lastComponent(path) + ": a text is not valid UTF-8";
        log(message);
        return StorageError{StorageErrorCode::NotEncodable, std::move(message)};
    }
    std::string error;
    if (!writeFileAtomically(path, *text, &error)) {
        log(error);
        return StorageError{StorageErrorCode::WriteFailed, "Could not write " + lastComponent(path) + ": " + error};
    }
    log("Wrote " + std::to_string(packages.size()) + " packages to " + lastComponent(path));
    return {};
}

void PersistentStore::copyFile(const fs::path& source, const fs::path& destination, bool overwrite) {
    const std::string name = lastComponent(destination);
    auto fail = [&](const std::string& description) {
        log("Error copying '" + source.string() + "' to '" + destination.string() + "': " + description);
    };
    std::error_code error;
    const bool exists = fs::exists(destination, error);
    if (exists && !overwrite) {
        fail("a file already exists at the destination");
        return;
    }
    if (exists) {
        log("File " + name + " already exists in '" + destination.string() + "'");
    }
    std::string readError;
    auto contents = readWholeFile(source, &readError);
    if (!contents) {
        fail(readError);
        return;
    }
    Date sourceDate = fs::last_write_time(source, error);
    if (error) {
        fail(error.message());
        return;
    }
    // The new copy replaces the old one in a single rename, so there is never a moment without
    // a file; it keeps the source's date so the newest-copy choice sees them as the same copy.
    std::string writeError;
    if (!writeFileAtomically(destination, *contents, &writeError)) {
        fail(writeError);
        return;
    }
    fs::last_write_time(destination, sourceDate, error);
    if (exists) {
        log("Removed file " + name + " from '" + destination.string() + "'");
    }
    log("Copied '" + source.string() + "' to '" + destination.string() + "'");
}

void PersistentStore::installPreinstalledPackages() {
    const std::string name(rawValue(PackageType::PreinstalledPackages));
    auto resource = resourcePath(name);
    if (!resource) {
        fatalConfigurationFault("Invalid filepath for " + name);
    }
    copyFile(*resource, requireSharedContainer() / name, true);
}

fs::path PersistentStore::safariJSONPath() {
    auto container = sharedContainerURL();
    if (!container) {
        fatalConfigurationFault("Shared Container URL invalid");
    }
    return *container / "tmp.json";
}

std::vector<Package> PersistentStore::loadConfigurablePackages() {
    return repairedConfigurablePackages(loadPackages(PackageType::ConfigurablePackages, true));
}

std::vector<Package> PersistentStore::loadAllPackages() {
    auto configurable = loadConfigurablePackages();
    auto preinstalled = loadPackages(PackageType::PreinstalledPackages, true).value_or(std::vector<Package>{});
    auto custom = loadPackages(PackageType::CustomPackages, true).value_or(std::vector<Package>{});
    return combinedPackageOrder(preinstalled, configurable, custom);
}

std::vector<Package> repairedConfigurablePackages(std::optional<std::vector<Package>> loaded) {
    auto package = [](ConfigurablePackageType type, const char* name) {
        return Package{std::string(rawValue(type)), name, {}};
    };
    if (!loaded) {
        return {package(ConfigurablePackageType::Whitelist, "Whitelist"),
                package(ConfigurablePackageType::BlockURL, "Block URLs"),
                package(ConfigurablePackageType::BlockCookies, "Block Cookies"),
                package(ConfigurablePackageType::HideElements, "Hide Page Elements"),
                package(ConfigurablePackageType::makeHttps, "Make HTTPS-only")};
    }
    auto has = [&](ConfigurablePackageType type) {
        for (const auto& existing : *loaded) {
            if (existing.id == rawValue(type)) {
                return true;
            }
        }
        return false;
    };
    if (!has(ConfigurablePackageType::Whitelist)) {
        loaded->insert(loaded->begin(), package(ConfigurablePackageType::Whitelist, "Whitelist"));
    }
    if (!has(ConfigurablePackageType::makeHttps)) {
        loaded->push_back(package(ConfigurablePackageType::makeHttps, "Make HTTPS-only"));
    }
    return std::move(*loaded);
}

std::vector<Package> combinedPackageOrder(const std::vector<Package>& preinstalled,
                                          const std::vector<Package>& configurable,
                                          const std::vector<Package>& custom) {
    std::vector<Package> all;
    all.reserve(preinstalled.size() + configurable.size() + custom.size());
    all.insert(all.end(), preinstalled.begin(), preinstalled.end());
    if (!configurable.empty()) {
        all.insert(all.end(), configurable.begin() + 1, configurable.end());
    }
    all.insert(all.end(), custom.begin(), custom.end());
    if (!configurable.empty()) {
        all.push_back(configurable.front());
    }
    return all;
}

} // namespace orvane
