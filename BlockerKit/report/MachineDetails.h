#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvane {

// What a report says about the machine it comes from.

// The computer's model as its firmware names it (DMI product name), or "Linux computer" when
// the firmware names none or only a placeholder ("To be filled by O.E.M.", "System Product Name").
std::string deviceName(const std::filesystem::path& productNameFile = "/sys/class/dmi/id/product_name");
std::string deviceNameFromProductName(const std::optional<std::string>& productName);

// The operating system's name and version as os-release gives them ("Debian GNU/Linux 12
// (bookworm)"), or "Linux".
std::string operatingSystemVersion();

} // namespace orvane
