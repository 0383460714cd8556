#pragma once

#include "app/ServiceError.h"
#include "filterlists/ConversionReport.h"

#include <filesystem>
#include <optional>
#include <string>

namespace orvane {

// A filter list file (Adblock Plus syntax) converted into a package file.
struct ConvertedListFile {
    std::string packageFileText; // a one-package list in the storage form, as an export writes it
    std::string packageName;
    filterlists::ConversionReport report;
};

// Reads and converts the list at `path`. The package is named `name`, else by the list's
// "! Title:", else by the file's name; its id is `id`, else one derived from the name, so that
// converting a later version of the list gives the same package and rule ids. Refuses a file that
// cannot be read, is larger than lists ever are, or is not UTF-8 text.
ServiceResult<ConvertedListFile> convertFilterListFile(const std::filesystem::path& path,
                                                       std::optional<std::string> name,
                                                       std::optional<std::string> id);

} // namespace orvane
