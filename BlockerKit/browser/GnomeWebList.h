#pragma once

#include "browser/BrowserError.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvane::browser {

// The lists Orvane hands to GNOME Web: files in SharedContainer/GnomeWeb named after the
// SHA-256 of their content. GNOME Web reads a list again only when its URI enters
// "content-filters" (it never notices a file rewritten in place), so each version is a new
// file under a new name, and a file once named is never written again.

std::filesystem::path gnomeWebListDirectory();

// Whether a URI names a list file of this home's list folder.
bool isOurGnomeWebList(const std::string& uri);

// The file:// URI of a list file.
std::string gnomeWebListURI(const std::filesystem::path& file);

// A copy of a content-blocker file in the list folder under a temporary name, made before the
// compile so that the file WebKit checks is the very file GNOME Web gets, whatever happens to
// the source meanwhile. Removed when it goes unless published.
class StagedList {
public:
    // Copies `source`, flushed to disk, computing its content name on the way.
    static std::optional<StagedList> stage(const std::filesystem::path& source, BrowserError* error = nullptr);

    StagedList(StagedList&& other) noexcept;
    StagedList& operator=(StagedList&&) = delete;
    StagedList(const StagedList&) = delete;
    StagedList& operator=(const StagedList&) = delete;
    ~StagedList();

    const std::filesystem::path& file() const { return file_; }
    // "orvane-<SHA-256 of the content>.json"
    const std::string& contentName() const { return contentName_; }

    // Gives the file its content name. A file of that name holds the same content already and
    // may be open in GNOME Web: it is kept and the copy dropped. Answers the named file.
    std::optional<std::filesystem::path> name(BrowserError* error = nullptr);

private:
    StagedList(std::filesystem::path file, std::string contentName)
        : file_(std::move(file)), contentName_(std::move(contentName)) {}

    std::filesystem::path file_;
    std::string contentName_;
};

// Deletes the list files of the folder that `listed` does not name. Staged copies are left to
// whoever is publishing them.
void removeUnlistedGnomeWebLists(const std::vector<std::string>& listed);

} // namespace orvane::browser
