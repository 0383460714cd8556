#include "browser/GnomeWebSettings.h"

namespace orvane::browser {
namespace {

// GNOME Web's page settings are relocatable: it opens them at this path for the browser itself
// (and elsewhere for each web application). GSettings ends the process on a relocatable schema
// opened without a path.
constexpr const char* kBrowserPath = "/org/gnome/epiphany/";
constexpr const char* kPagePath = "/org/gnome/epiphany/web/";

const char* pathOf(GSettingsSchema* schema, const char* relocatedAt) {
    return g_settings_schema_get_path(schema) == nullptr ? relocatedAt : nullptr;
}

struct SchemaUnref {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
using Schema = std::unique_ptr<GSettingsSchema, SchemaUnref>;

bool hasKey(GSettingsSchema* schema, const char* key, const GVariantType* type) {
    if (!g_settings_schema_has_key(schema, key)) {
        return false;
    }
    GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema, key);
    const bool typed = g_variant_type_equal(g_settings_schema_key_get_value_type(schemaKey), type);
    g_settings_schema_key_unref(schemaKey);
    return typed;
}

Schema lookUp(const char* id, const char* key, const GVariantType* type) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        return nullptr;
    }
    Schema schema(g_settings_schema_source_lookup(source, id, TRUE));
    if (!schema || !hasKey(schema.get(), key, type)) {
        return nullptr;
    }
    return schema;
}

std::vector<std::string> strings(GVariant* value) {
    std::vector<std::string> list;
    gsize count = 0;
    const gchar** items = g_variant_get_strv(value, &count);
    for (gsize i = 0; i < count; ++i) {
        list.emplace_back(items[i]);
    }
    g_free(items);
    return list;
}

GVariant* stringArray(const std::vector<std::string>& list) {
    std::vector<const gchar*> items;
    items.reserve(list.size());
    for (const auto& item : list) {
        items.push_back(item.c_str());
    }
    return g_variant_new_strv(items.data(), static_cast<gssize>(items.size()));
}

bool fail(std::string* why, std::string text) {
    if (why != nullptr) {
        *why = std::move(text);
    }
    return false;
}

bool writable(GSettings* settings, const char* key, std::string* why) {
    if (g_settings_is_writable(settings, key)) {
        return true;
    }
    return fail(why, std::string("GNOME Web's setting \"") + key + "\" is locked");
}

} // namespace

bool gnomeWebSchemasInstalled() {
    return lookUp(kGnomeWebSchema, kContentFiltersKey, G_VARIANT_TYPE_STRING_ARRAY) &&
           lookUp(kGnomeWebPageSchema, kEnableAdblockKey, G_VARIANT_TYPE_BOOLEAN);
}

std::optional<GnomeWebSettings> GnomeWebSettings::open() {
    Schema browser = lookUp(kGnomeWebSchema, kContentFiltersKey, G_VARIANT_TYPE_STRING_ARRAY);
    Schema pages = lookUp(kGnomeWebPageSchema, kEnableAdblockKey, G_VARIANT_TYPE_BOOLEAN);
    if (!browser || !pages) {
        return std::nullopt;
    }
    return GnomeWebSettings(g_settings_new_full(browser.get(), nullptr, pathOf(browser.get(), kBrowserPath)),
                            g_settings_new_full(pages.get(), nullptr, pathOf(pages.get(), kPagePath)));
}

std::vector<std::string> GnomeWebSettings::contentFilters() const {
    GVariant* value = g_settings_get_value(browser_.get(), kContentFiltersKey);
    auto list = strings(value);
    g_variant_unref(value);
    return list;
}

bool GnomeWebSettings::isDefaultContentFilters(const std::vector<std::string>& filters) const {
    GVariant* value = g_settings_get_default_value(browser_.get(), kContentFiltersKey);
    if (value == nullptr) {
        return false;
    }
    const bool same = strings(value) == filters;
    g_variant_unref(value);
    return same;
}

bool GnomeWebSettings::setContentFilters(const std::vector<std::string>& filters, std::string* why) {
    if (!writable(browser_.get(), kContentFiltersKey, why)) {
        return false;
    }
    g_settings_set_value(browser_.get(), kContentFiltersKey, stringArray(filters));
    // A backend that fails to store the value drops it once the write has settled: only the
    // value read back after the sync tells that GNOME Web will see it.
    g_settings_sync();
    if (contentFilters() != filters) {
        return fail(why, "GNOME Web's settings did not keep the new \"content-filters\"");
    }
    return true;
}

bool GnomeWebSettings::resetContentFilters(std::string* why) {
    if (!writable(browser_.get(), kContentFiltersKey, why)) {
        return false;
    }
    g_settings_reset(browser_.get(), kContentFiltersKey);
    g_settings_sync();
    GVariant* user = g_settings_get_user_value(browser_.get(), kContentFiltersKey);
    if (user != nullptr) {
        g_variant_unref(user);
        return fail(why, "GNOME Web's settings did not reset \"content-filters\"");
    }
    return true;
}

bool GnomeWebSettings::contentBlocking() const { return g_settings_get_boolean(pages_.get(), kEnableAdblockKey); }

bool GnomeWebSettings::setContentBlocking(bool on, std::string* why) {
    if (!writable(pages_.get(), kEnableAdblockKey, why)) {
        return false;
    }
    g_settings_set_boolean(pages_.get(), kEnableAdblockKey, on);
    g_settings_sync();
    if (contentBlocking() != on) {
        return fail(why, "GNOME Web's settings did not keep \"enable-adblock\"");
    }
    return true;
}

} // namespace orvane::browser
