#include "platform/Locations.h"

#include "platform/Fatal.h"

#include <cstdlib>
#include <system_error>

namespace orvane {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

std::filesystem::path orvaneHome() {
    if (auto home = environment("ORVANE_HOME"); !home.empty()) {
        return home;
    }
    if (auto data = environment("XDG_DATA_HOME"); !data.empty()) {
        return std::filesystem::path(data) / "orvane";
    }
    if (auto home = environment("HOME"); !home.empty()) {
        return std::filesystem::path(home) / ".local/share/orvane";
    }
    // Anything relative would land in whatever folder the program was started from.
    fatalConfigurationFault("Neither ORVANE_HOME, XDG_DATA_HOME nor HOME is set, so there is no place for Orvane's data");
}

std::filesystem::path sharedContainerDirectory() { return orvaneHome() / "SharedContainer"; }

std::filesystem::path documentsDirectory() { return orvaneHome() / "Documents"; }

std::filesystem::path resourcesDirectory() {
    if (auto resources = environment("ORVANE_RESOURCES"); !resources.empty()) {
        return resources;
    }
    // Only a binary of the build tree reads the resources the build made; an installed one takes
    // its own data folder even where the build tree still exists.
    std::error_code error;
    if (std::filesystem::equivalent(executableDirectory(), ORVANE_BIN_DIR, error)) {
        return ORVANE_BUILD_RESOURCES;
    }
    return executableDirectory().parent_path() / "share/orvane";
}

std::string cloudSetting() {
    if (auto cloud = environment("ORVANE_CLOUD"); !cloud.empty()) {
        return cloud;
    }
    return "sqlite:" + (orvaneHome() / "Cloud").string();
}

std::filesystem::path executableDirectory() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(ORVANE_BIN_DIR) : self.parent_path();
}

} // namespace orvane
