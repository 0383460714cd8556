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

void writeSafariJSON(const std::optional<std::vector<Blocker>>& blockers) {
    const std::vector<Blocker> placeholder{placeholderBlocker()};
    const std::vector<Blocker>& list = blockers ? *blockers : placeholder;
    const auto path = PersistentStore::safariJSONPath();
    auto text = toJSONString(list);
    if (!text) {
        log("Could not encode the content blockers: a text is not valid UTF-8");
        return;
    }
    std::string error;
    // Every launch and change writes the file anew, so it does not wait for the disk.
    const bool written = writeFileAtomically(path, *text, &error, Flush::ToKernel);
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
}

} // namespace orvane
