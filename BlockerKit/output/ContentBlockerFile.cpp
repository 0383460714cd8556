#include "output/ContentBlockerFile.h"

#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "storage/PersistentStore.h"

namespace orvane {

Blocker placeholderBlocker() {
    Trigger trigger;
    trigger.urlFilter = ".*";
    trigger.caseSensitive = true;
    return Blocker{std::move(trigger), Action{ActionType::Hide, std::string("#s0a0l0a0v0a0t")}};
}

StorageResult writeSafariJSON(std::optional<std::span<const Blocker* const>> blockers) {
    const Blocker placeholder = placeholderBlocker();
    const Blocker* const placeholderList[] = {&placeholder};
    const std::span<const Blocker* const> list = blockers ? *blockers : placeholderList;
    const auto path = PersistentStore::safariJSONPath();
    bool unencodable = false;
    const auto produce = [&](const PieceWriter& write) {
        bool wrote = true;
        const bool made = writeJSON(list, [&](std::string_view piece) { return wrote = write(piece); });
        unencodable = !made && wrote;
        return made;
    };
    std::string error;
    // Every launch and change writes the file anew, so it does not wait for the disk.
    const bool written = writeFileAtomically(path, produce, &error, Flush::ToKernel);
    if (unencodable) {
        const std::string message = "Could not encode the content blockers: a text is not valid UTF-8";
        log(message);
        return StorageError{StorageErrorCode::NotEncodable, message};
    }
    if (!written) {
        log(error);
    }
    if (!blockers) {
        log("Removed blockers from Safari JSON file in shared container: " + path.string());
    } else if (written) {
        log("Wrote " + std::to_string(list.size()) + " blockers to Safari JSON file in shared container: " +
            path.string());
    } else {
        log("Could not write " + std::to_string(list.size()) + " blockers to Safari JSON file in shared container: " +
            path.string());
    }
    if (!written) {
        return StorageError{StorageErrorCode::WriteFailed, "Could not write the content-blocker file: " + error};
    }
    return {};
}

} // namespace orvane
