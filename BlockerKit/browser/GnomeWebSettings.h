#pragma once

#include <gio/gio.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::browser {

inline constexpr const char* kGnomeWebSchema = "org.gnome.Epiphany";
inline constexpr const char* kGnomeWebPageSchema = "org.gnome.Epiphany.web";
inline constexpr const char* kContentFiltersKey = "content-filters";
inline constexpr const char* kEnableAdblockKey = "enable-adblock";

// Whether GNOME Web's two schemas are installed with the keys Orvane uses, of the types it
// expects. GSettings ends the process when asked for a missing schema, and a key of another
// type would be misread, so nothing opens the settings without this check.
bool gnomeWebSchemasInstalled();

// GNOME Web's own settings, through the desktop's GSettings backend. One instance belongs to
// the thread that opened it; open a new one where needed (opening is cheap).
class GnomeWebSettings {
public:
    // Absent when the schemas are not installed.
    static std::optional<GnomeWebSettings> open();

    std::vector<std::string> contentFilters() const;
    // Whether the list equals the schema's default value.
    bool isDefaultContentFilters(const std::vector<std::string>& filters) const;
    // Writes the list (or resets the key to its default), waits until the backend has it and
    // reads it back: false, with `why` set when given, when the value did not stick (a key
    // locked by the administrator, a backend that cannot write).
    bool setContentFilters(const std::vector<std::string>& filters, std::string* why = nullptr);
    bool resetContentFilters(std::string* why = nullptr);

    bool contentBlocking() const;
    bool setContentBlocking(bool on, std::string* why = nullptr);

private:
    struct Unref {
        void operator()(GSettings* settings) const { g_object_unref(settings); }
    };
    GnomeWebSettings(GSettings* browser, GSettings* pages) : browser_(browser), pages_(pages) {}

    std::unique_ptr<GSettings, Unref> browser_;
    std::unique_ptr<GSettings, Unref> pages_;
};

} // namespace orvane::browser
