#include "catalog/ImportFile.h"

#include "model/JsonDecoding.h"
#include "platform/BoundedRead.h"
#include "platform/Log.h"
#include "platform/Trash.h"

#include <system_error>

namespace orvane {

std::optional<std::vector<Package>> readImportFile(const std::filesystem::path& path) {
    std::string error;
    auto contents = readRegularFile(path, kMaxImportFileSize, &error);
    if (!contents) {
        log("Could not read import file: " + error);
        return std::nullopt;
    }
    auto document = parseJson(*contents);
    if (!document) {
        log("Import file " + path.string() + " is not valid JSON");
        return std::vector<Package>{};
    }
    return packagesFromJSON(*document);
}

void discardImportFile(const std::filesystem::path& path) {
    std::error_code error;
    // A folder, pipe or device named as an import is never moved or deleted.
    if (!std::filesystem::is_regular_file(path, error)) {
        log("Could not move " + path.string() + " to the Trash: not a regular file");
        return;
    }
    std::string trashError;
    if (moveToTrash(path, &trashError)) {
        return;
    }
    log("Could not move " + path.string() + " to the Trash: " + trashError);
    if (!std::filesystem::remove(path, error)) {
        log("Could not remove " + path.string() + ": " + error.message());
    }
}

} // namespace orvane
