#include "catalog/ImportFile.h"

#include "catalog/ContentBlockerListImport.h"
#include "model/JsonDecoding.h"
#include "model/RuleRejection.h"
#include "platform/BoundedRead.h"
#include "platform/Log.h"
#include "platform/Trash.h"

#include <system_error>

namespace orvane {

std::optional<ImportFileContents> readImportFile(const std::filesystem::path& path) {
    std::string error;
    auto contents = readRegularFile(path, kMaxImportFileSize, &error);
    if (!contents) {
        log("Could not read import file: " + error);
        return std::nullopt;
    }
    ImportFileContents read;
    auto document = parseJson(*contents);
    if (!document) {
        log("Import file " + path.string() + " is not valid JSON");
    } else if (isContentBlockerList(*document)) {
        read.contentBlockerList = blockersFromJSON(*document, &read.skipped);
        dropRejectedBlockers(*read.contentBlockerList, read.skipped);
    } else {
        read.packages = packagesFromJSON(*document, &read.skipped);
        dropRejectedRules(read.packages, read.skipped);
    }
    return read;
}

std::string importMessage(std::string message, const SkippedRules& skipped) {
    if (!skipped.empty()) {
        message += ". " + skipped.summary() + ".";
    }
    return message;
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
