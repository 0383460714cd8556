#include "browser/GnomeWebInstallation.h"

#include "browser/GnomeWebSettings.h"
#include "platform/AtomicFile.h"

#include <glib.h>

#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace orvane::browser {
namespace {

constexpr const char* kApplicationId = "org.gnome.Epiphany";

struct FirstRelease {
    std::optional<std::string> version;
};

void startElement(GMarkupParseContext*, const gchar* element, const gchar** names, const gchar** values, gpointer data,
                  GError**) {
    auto* release = static_cast<FirstRelease*>(data);
    if (release->version || std::strcmp(element, "release") != 0) {
        return;
    }
    for (std::size_t i = 0; names[i] != nullptr; ++i) {
        if (std::strcmp(names[i], "version") == 0 && *values[i] != '\0') {
            release->version = values[i];
        }
    }
}

// The AppStream file of the application under one data folder (installed under either of the
// names the format has had).
std::optional<std::string> versionUnder(const std::filesystem::path& dataDirectory) {
    for (const char* name : {"metainfo/org.gnome.Epiphany.metainfo.xml", "metainfo/org.gnome.Epiphany.appdata.xml",
                             "appdata/org.gnome.Epiphany.appdata.xml"}) {
        const auto file = dataDirectory / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) {
            return appStreamVersion(file);
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> dataDirectories() {
    std::vector<std::filesystem::path> directories{g_get_user_data_dir()};
    for (const gchar* const* directory = g_get_system_data_dirs(); *directory != nullptr; ++directory) {
        directories.emplace_back(*directory);
    }
    return directories;
}

std::vector<std::filesystem::path> flatpakInstallations() {
    const char* system = std::getenv("FLATPAK_SYSTEM_DIR");
    return {std::filesystem::path(g_get_user_data_dir()) / "flatpak",
            system != nullptr && *system != '\0' ? std::filesystem::path(system) : "/var/lib/flatpak"};
}

} // namespace

std::optional<std::string> appStreamVersion(const std::filesystem::path& file) {
    const auto text = readWholeFile(file);
    if (!text) {
        return std::nullopt;
    }
    const GMarkupParser parser{startElement, nullptr, nullptr, nullptr, nullptr};
    FirstRelease release;
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, G_MARKUP_DEFAULT_FLAGS, &release, nullptr);
    // A damaged file still answers with a release found before the damage.
    g_markup_parse_context_parse(context, text->data(), static_cast<gssize>(text->size()), nullptr);
    g_markup_parse_context_free(context);
    return release.version;
}

bool versionAppliesEveryList(std::string_view version) {
    const std::string text(version);
    char* end = nullptr;
    const long major = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str()) {
        return false;
    }
    long minor = 0;
    if (*end == '.') {
        minor = std::strtol(end + 1, nullptr, 10);
    }
    return major > 50 || (major == 50 && minor >= 2);
}

GnomeWebInstallation findGnomeWeb() {
    GnomeWebInstallation found;
    found.installed = gnomeWebSchemasInstalled();
    if (found.installed) {
        for (const auto& directory : dataDirectories()) {
            if ((found.version = versionUnder(directory))) {
                break;
            }
        }
        found.appliesEveryList = found.version && versionAppliesEveryList(*found.version);
    }
    for (const auto& installation : flatpakInstallations()) {
        const auto active = installation / "app" / kApplicationId / "current" / "active";
        std::error_code ec;
        if (std::filesystem::is_directory(active, ec)) {
            found.flatpak = true;
            found.flatpakVersion = versionUnder(active / "files" / "share");
            break;
        }
    }
    return found;
}

} // namespace orvane::browser
