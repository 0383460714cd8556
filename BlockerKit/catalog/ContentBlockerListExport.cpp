#include "catalog/ContentBlockerListExport.h"

#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

namespace orvane {

bool exportContentBlockerList(const std::vector<Blocker>& blockers, const std::filesystem::path& path) {
    std::vector<const Blocker*> list;
    list.reserve(blockers.size());
    for (const auto& blocker : blockers) {
        list.push_back(&blocker);
    }
    std::string error;
    const bool written = writeFileAtomically(
        path, [&](const PieceWriter& write) { return writeJSON(list, write); }, &error);
    if (!written) {
        log("Could not export a content-blocker list to " + path.string() + ": " + error);
        showMessage("There was an error saving package file.", true);
    }
    return written;
}

} // namespace orvane
