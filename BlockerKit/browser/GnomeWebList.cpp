#include "browser/GnomeWebList.h"

#include "browser/BrowserError.h"
#include "platform/AtomicFile.h"
#include "platform/Locations.h"
#include "platform/Uuid.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

namespace orvane::browser {
namespace {

constexpr std::string_view kPrefix = "orvane-";
constexpr std::string_view kSuffix = ".json";
constexpr std::size_t kDigestLength = 64;

bool isListName(const std::string& name) {
    if (name.size() != kPrefix.size() + kDigestLength + kSuffix.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kSuffix)) {
        return false;
    }
    const auto digest = std::string_view(name).substr(kPrefix.size(), kDigestLength);
    return std::all_of(digest.begin(), digest.end(), [](char c) { return g_ascii_isxdigit(c) && !g_ascii_isupper(c); });
}

BrowserError publishFailed(const std::string& why) {
    return browserError(BrowserErrorCode::GnomeWebPublishFailed, "The list for GNOME Web can't be written: " + why);
}

bool fail(BrowserError* error, BrowserError value) {
    if (error != nullptr) {
        *error = std::move(value);
    }
    return false;
}

} // namespace

std::filesystem::path gnomeWebListDirectory() {
    std::error_code ec;
    // URIs need an absolute path, and the same path each time for a list to be known as ours.
    auto directory = std::filesystem::absolute(sharedContainerDirectory() / "GnomeWeb", ec);
    return (ec ? sharedContainerDirectory() / "GnomeWeb" : directory).lexically_normal();
}

bool isOurGnomeWebList(const std::string& uri) {
    gchar* filename = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    if (filename == nullptr) {
        return false;
    }
    const std::filesystem::path path = std::filesystem::path(filename).lexically_normal();
    g_free(filename);
    return path.parent_path() == gnomeWebListDirectory() && isListName(path.filename().string());
}

std::string gnomeWebListURI(const std::filesystem::path& file) {
    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    std::string text = uri != nullptr ? uri : "";
    g_free(uri);
    return text;
}

std::optional<StagedList> StagedList::stage(const std::filesystem::path& source, BrowserError* error) {
    std::ifstream input(source, std::ios::binary);
    if (!input) {
        fail(error, publishFailed("can't read " + source.string()));
        return std::nullopt;
    }
    const auto file = gnomeWebListDirectory() / (".staging-" + makeUUID() + std::string(kSuffix));
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
    std::array<char, 64 * 1024> buffer{};
    const auto copy = [&](const PieceWriter& write) {
        while (input) {
            input.read(buffer.data(), buffer.size());
            const auto count = input.gcount();
            if (count <= 0) {
                break;
            }
            g_checksum_update(checksum, reinterpret_cast<const guchar*>(buffer.data()), count);
            if (!write(std::string_view(buffer.data(), static_cast<std::size_t>(count)))) {
                return false;
            }
        }
        return input.eof() && !input.bad();
    };
    std::string why = "can't read " + source.string();
    const bool copied = writeFileAtomically(file, copy, &why);
    std::string contentName = std::string(kPrefix) + g_checksum_get_string(checksum) + std::string(kSuffix);
    g_checksum_free(checksum);
    if (!copied) {
        fail(error, publishFailed(why));
        return std::nullopt;
    }
    return StagedList(file, std::move(contentName));
}

StagedList::StagedList(StagedList&& other) noexcept
    : file_(std::move(other.file_)), contentName_(std::move(other.contentName_)) {
    other.file_.clear();
}

StagedList::~StagedList() {
    if (!file_.empty()) {
        std::error_code ec;
        std::filesystem::remove(file_, ec);
    }
}

std::optional<std::filesystem::path> StagedList::name(BrowserError* error) {
    const auto named = file_.parent_path() / contentName_;
    std::error_code ec;
    if (std::filesystem::exists(named, ec)) {
        std::filesystem::remove(file_, ec);
    } else if (std::filesystem::rename(file_, named, ec); ec) {
        fail(error, publishFailed("can't name " + named.string() + ": " + ec.message()));
        return std::nullopt;
    }
    file_.clear();
    return named;
}

void removeUnlistedGnomeWebLists(const std::vector<std::string>& listed) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(gnomeWebListDirectory(), ec)) {
        const auto name = entry.path().filename().string();
        if (isListName(name) && std::find(listed.begin(), listed.end(), gnomeWebListURI(entry.path())) == listed.end()) {
            std::error_code ignored;
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

} // namespace orvane::browser
