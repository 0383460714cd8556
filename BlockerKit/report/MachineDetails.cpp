#include "report/MachineDetails.h"

#include "platform/BoundedRead.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

namespace orvane {
namespace {

// What firmware writers leave in the field when they name nothing.
constexpr std::array<std::string_view, 9> kPlaceholders{
    "to be filled by o.e.m.", "to be filled by oem", "system product name", "default string", "not specified",
    "not applicable", "none", "product name", "o.e.m."};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string deviceNameFromProductName(const std::optional<std::string>& productName) {
    constexpr const char* kUnnamed = "Linux computer";
    if (!productName) {
        return kUnnamed;
    }
    std::string name = *productName;
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](unsigned char c) { return c < 0x20 && c != ' '; }),
               name.end());
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    if (name.empty() || !g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr) ||
        std::find(kPlaceholders.begin(), kPlaceholders.end(), lowered(name)) != kPlaceholders.end()) {
        return kUnnamed;
    }
    return name;
}

std::string deviceName(const std::filesystem::path& productNameFile) {
    // Sysfs files claim a page whatever they hold.
    return deviceNameFromProductName(readRegularFile(productNameFile, 4096));
}

std::string operatingSystemVersion() {
    std::unique_ptr<char, decltype(&g_free)> pretty(g_get_os_info(G_OS_INFO_KEY_PRETTY_NAME), g_free);
    if (pretty && *pretty.get() != '\0') {
        return pretty.get();
    }
    return "Linux";
}

} // namespace orvane
