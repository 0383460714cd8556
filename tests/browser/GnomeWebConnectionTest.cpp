// GNOME Web as the browser that applies the rules, through orvanectl as a user would drive it,
// on a desktop of the test's own: GNOME Web's schemas and AppStream file in a data folder, its
// settings in GSettings' key-file backend (shared by every process, readable by the test).

#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/JsonText.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"
#include "support/TemporaryDirectory.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr const char* kDefaultList = "https://easylist-downloads.adblockplus.org/easylist_min_content_blocker.json";

// GNOME Web's two schemas with the keys Orvane uses, as Epiphany installs them (its page
// settings relocatable).
constexpr const char* kSchemas = R"(<schemalist>
  <schema id="org.gnome.Epiphany" path="/org/gnome/epiphany/">
    <key type="as" name="content-filters">
      <default>['https://easylist-downloads.adblockplus.org/easylist_min_content_blocker.json']</default>
    </key>
  </schema>
  <schema id="org.gnome.Epiphany.web">
    <key type="b" name="enable-adblock"><default>true</default></key>
  </schema>
</schemalist>
)";

std::string appStream(const std::string& version) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<component type="desktop-application"><id>org.gnome.Epiphany</id><name>Web</name>
  <releases><release date="2025-01-01" version=")" + version + R"("/><release version="42.0"/></releases>
</component>
)";
}

class Desktop {
public:
    // GNOME Web of that version installed on the system; none without a version.
    explicit Desktop(const std::optional<std::string>& version) {
        std::filesystem::create_directories(schemas());
        if (version) {
            writeText(schemas() / "org.gnome.epiphany.gschema.xml", kSchemas);
            writeText(root_ / "share/metainfo/org.gnome.Epiphany.appdata.xml", appStream(*version));
        }
        if (!version) {
            return;
        }
        gchar* diagnostics = nullptr;
        gint status = 0;
        const std::string command = "glib-compile-schemas " + schemas().string();
        EXPECT_TRUE(g_spawn_command_line_sync(command.c_str(), nullptr, &diagnostics, &status, nullptr) && status == 0)
            << (diagnostics != nullptr ? diagnostics : "");
        g_free(diagnostics);
    }

    void installFlatpak(const std::string& version) {
        writeText(root_ / "data/flatpak/app/org.gnome.Epiphany/current/active/files/share/metainfo/"
                          "org.gnome.Epiphany.metainfo.xml",
                  appStream(version));
    }

    Environment environment(const std::string& browser = "") const {
        Environment variables{{"XDG_DATA_DIRS", (root_ / "share").string()},
                              {"GSETTINGS_SCHEMA_DIR", schemas().string()},
                              {"XDG_DATA_HOME", (root_ / "data").string()},
                              {"XDG_CONFIG_HOME", (root_ / "config").string()},
                              {"GSETTINGS_BACKEND", "keyfile"},
                              {"FLATPAK_SYSTEM_DIR", (root_ / "system-flatpak").string()}};
        if (!browser.empty()) {
            variables.emplace_back("ORVANE_BROWSER", browser);
        }
        return variables;
    }

    ProgramResult run(const std::vector<std::string>& arguments, const std::string& browser = "") const {
        return orvanectl(arguments, "", environment(browser));
    }

    // The user's own value of "content-filters"; absent while the key holds its default.
    std::optional<std::vector<std::string>> contentFilters() const {
        const auto text = setting("org/gnome/epiphany", "content-filters");
        if (!text) {
            return std::nullopt;
        }
        GVariant* value = g_variant_parse(G_VARIANT_TYPE_STRING_ARRAY, text->c_str(), nullptr, nullptr, nullptr);
        if (value == nullptr) {
            ADD_FAILURE() << "content-filters holds " << *text;
            return std::nullopt;
        }
        gsize count = 0;
        const gchar** items = g_variant_get_strv(value, &count);
        std::vector<std::string> list(items, items + count);
        g_free(items);
        g_variant_unref(value);
        return list;
    }

    // Changes GNOME Web's settings as its own preferences would.
    void setContentFilters(const std::vector<std::string>& list) {
        std::string text;
        for (const auto& uri : list) {
            text += (text.empty() ? "'" : ", '") + uri + "'";
        }
        write("org/gnome/epiphany", "content-filters", ("[" + text + "]").c_str());
    }
    void setContentBlocking(bool on) { write("org/gnome/epiphany/web", "enable-adblock", on ? "true" : "false"); }

private:
    std::filesystem::path schemas() const { return root_ / "share/glib-2.0/schemas"; }
    std::filesystem::path keyFile() const { return root_ / "config/glib-2.0/settings/keyfile"; }

    std::optional<std::string> setting(const char* group, const char* key) const {
        GKeyFile* file = g_key_file_new();
        std::optional<std::string> value;
        if (g_key_file_load_from_file(file, keyFile().c_str(), G_KEY_FILE_NONE, nullptr)) {
            if (gchar* text = g_key_file_get_value(file, group, key, nullptr)) {
                value = text;
                g_free(text);
            }
        }
        g_key_file_free(file);
        return value;
    }

    void write(const char* group, const char* key, const char* value) {
        GKeyFile* file = g_key_file_new();
        g_key_file_load_from_file(file, keyFile().c_str(), G_KEY_FILE_NONE, nullptr);
        g_key_file_set_value(file, group, key, value);
        std::filesystem::create_directories(keyFile().parent_path());
        EXPECT_TRUE(g_key_file_save_to_file(file, keyFile().c_str(), nullptr));
        g_key_file_free(file);
    }

    TemporaryDirectory root_;
};

class GnomeWebConnection : public testing::Test {
protected:
    GnomeWebConnection() {
        writeText(home.resources() / "PreinstalledPackages.json",
                  *toJSONString(std::vector<Package>{
                      makePackage("block-ads", "Ads", {blockRule("ads-1", "^https?://ads\\.example/")})}));
    }

    std::filesystem::path lists() const { return home.shared() / "GnomeWeb"; }

    // The list files published to GNOME Web, by name.
    std::vector<std::string> publishedFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(lists(), ec)) {
            if (entry.path().extension() == ".json") {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    static std::string uriOf(const std::filesystem::path& file) { return "file://" + file.string(); }

    // The one list of Orvane's in `filters`, checked to be the file of tmp.json's content under
    // the SHA-256 of that content.
    std::string ours(const std::vector<std::string>& filters) const {
        std::string found;
        for (const auto& uri : filters) {
            if (uri.starts_with(uriOf(lists()))) {
                EXPECT_TRUE(found.empty()) << "two lists of Orvane's: " << found << ", " << uri;
                found = uri;
            }
        }
        const std::string content = readText(home.shared() / "tmp.json");
        gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_SHA256, content.c_str(), -1);
        EXPECT_EQ(found, uriOf(lists() / ("orvane-" + std::string(digest) + ".json")));
        g_free(digest);
        EXPECT_EQ(readText(lists() / std::filesystem::path(found).filename()), content);
        return found;
    }

    static std::string last(std::string text) {
        while (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text.substr(text.rfind('\n') + 1);
    }

    std::optional<JsonDocument> status(const Desktop& desktop, const std::string& browser = "") const {
        const auto result = desktop.run({"browser", "status", "--json"}, browser);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return parseJson(result.out);
    }

    TempHome home;
};

} // namespace

TEST_F(GnomeWebConnection, GnomeWeb43GetsOrvanesListAloneAndTheUsersListsBackOnDisconnecting) {
    Desktop desktop("43.1");
    const std::vector<std::string> users{"file:///home/user/mine.json", "https://lists.example/friends.json"};
    desktop.setContentFilters(users);

    auto shown = status(desktop);
    ASSERT_TRUE(shown && shown->IsObject());
    EXPECT_TRUE((*shown)["gnomeWeb"]["installed"].GetBool());
    EXPECT_STREQ((*shown)["gnomeWeb"]["version"].GetString(), "43.1");
    EXPECT_FALSE((*shown)["gnomeWeb"]["appliesEveryList"].GetBool());
    EXPECT_STREQ((*shown)["browser"].GetString(), "stand-in");
    // GNOME Web's two switches, and the stand-in's two while GNOME Web is not the browser.
    ASSERT_EQ((*shown)["switches"].Size(), 4u);
    EXPECT_STREQ((*shown)["switches"][0]["identifier"].GetString(), "use-orvane-rules");
    EXPECT_FALSE((*shown)["switches"][0]["on"].GetBool());

    auto result = desktop.run({"browser", "connect"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string connected = ours(*desktop.contentFilters());
    EXPECT_EQ(desktop.contentFilters(), std::vector<std::string>{connected});
    shown = status(desktop);
    EXPECT_STREQ((*shown)["browser"].GetString(), "gnome-web");
    EXPECT_TRUE((*shown)["usesOrvaneRules"].GetBool());
    EXPECT_STREQ((*shown)["publishedList"].GetString(), connected.c_str());
    EXPECT_EQ((*shown)["switches"].Size(), 2u);

    // Each change is a new file under a new name in place of the last; the old file goes.
    result = desktop.run({"add", "block-url", "--url-filter", "tracker\\.js"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string rule = last(result.out);
    const std::string added = ours(*desktop.contentFilters());
    EXPECT_NE(added, connected);
    EXPECT_EQ(desktop.contentFilters(), std::vector<std::string>{added});
    EXPECT_EQ(publishedFiles().size(), 1u);

    // The same content again is the same file, left as it is.
    const auto before = std::filesystem::last_write_time(lists() / std::filesystem::path(added).filename());
    ASSERT_EQ(desktop.run({"rebuild"}).exitCode, 0);
    EXPECT_EQ(desktop.contentFilters(), std::vector<std::string>{added});
    EXPECT_EQ(std::filesystem::last_write_time(lists() / std::filesystem::path(added).filename()), before);

    // A list WebKit refuses never reaches GNOME Web. No editor takes a rule WebKit refuses, so this
    // one is written into the package file by hand.
    writeText(home.shared() / "CustomPackages.json",
              *toJSONString(std::vector<Package>{makePackage("planted", "Planted", {blockRule("bad", "[unclosed")})}));
    result = desktop.run({"rebuild"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("regular expression"), std::string::npos) << result.err;
    EXPECT_EQ(desktop.contentFilters(), std::vector<std::string>{added});
    EXPECT_EQ(publishedFiles(), std::vector<std::string>{std::filesystem::path(added).filename().string()});
    ASSERT_EQ(desktop.run({"remove", "planted", "bad"}).exitCode, 0);

    // A list the user adds meanwhile is set aside with the others at the next publication.
    desktop.setContentFilters({added, "file:///home/user/later.json"});
    ASSERT_EQ(desktop.run({"disable", "block-url", rule}).exitCode, 0);
    EXPECT_EQ(desktop.contentFilters(), std::vector<std::string>{ours(*desktop.contentFilters())});

    // Paused, GNOME Web gets the placeholder list.
    ASSERT_EQ(desktop.run({"signal", "paused", "on"}).exitCode, 0);
    ASSERT_EQ(desktop.run({"rebuild"}).exitCode, 0);
    const std::string paused = ours(*desktop.contentFilters());
    EXPECT_NE(readText(lists() / std::filesystem::path(paused).filename()).find("#s0a0l0a0v0a0t"), std::string::npos);
    ASSERT_EQ(desktop.run({"signal", "paused", "off"}).exitCode, 0);

    // With GNOME Web's content blocking off, the content blocker counts as disabled.
    desktop.setContentBlocking(false);
    result = desktop.run({"rebuild"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Error reloading Safari content blocker: it's disabled in Settings"), std::string::npos)
        << result.err;
    EXPECT_EQ(desktop.contentFilters(), std::vector<std::string>{paused});
    ASSERT_EQ(desktop.run({"browser", "content-blocking", "on"}).exitCode, 0);
    EXPECT_EQ(desktop.run({"rebuild"}).exitCode, 0);

    result = desktop.run({"browser", "disconnect"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(desktop.contentFilters(),
              (std::vector<std::string>{users[0], users[1], "file:///home/user/later.json"}));
    EXPECT_TRUE(publishedFiles().empty());
    shown = status(desktop);
    EXPECT_STREQ((*shown)["browser"].GetString(), "stand-in");

    // Back on the stand-in, rebuilds leave GNOME Web alone.
    ASSERT_EQ(desktop.run({"enable", "block-url", rule}).exitCode, 0);
    EXPECT_EQ(desktop.contentFilters(),
              (std::vector<std::string>{users[0], users[1], "file:///home/user/later.json"}));
    EXPECT_TRUE(publishedFiles().empty());
}

TEST_F(GnomeWebConnection, GnomeWeb50Point2KeepsTheUsersListsBesideOrvanes) {
    Desktop desktop("50.2");
    // Never changed by the user: the key holds its default.
    ASSERT_EQ(desktop.run({"browser", "connect"}).exitCode, 0);
    const auto first = *desktop.contentFilters();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0], kDefaultList);
    EXPECT_EQ(first[1], ours(first));

    // The user puts Orvane's list first; the next one takes its place.
    desktop.setContentFilters({first[1], "file:///home/user/mine.json", kDefaultList});
    ASSERT_EQ(desktop.run({"add", "block-url", "--url-filter", "tracker\\.js"}).exitCode, 0);
    const auto second = *desktop.contentFilters();
    EXPECT_EQ(second, (std::vector<std::string>{ours(second), "file:///home/user/mine.json", kDefaultList}));

    ASSERT_EQ(desktop.run({"browser", "disconnect"}).exitCode, 0);
    EXPECT_EQ(desktop.contentFilters(), (std::vector<std::string>{"file:///home/user/mine.json", kDefaultList}));

    // Connected and disconnected without other changes, the key returns to its default.
    desktop.setContentFilters({kDefaultList});
    ASSERT_EQ(desktop.run({"browser", "connect"}).exitCode, 0);
    ASSERT_EQ(desktop.run({"browser", "disconnect"}).exitCode, 0);
    EXPECT_EQ(desktop.contentFilters(), std::nullopt);
}

TEST_F(GnomeWebConnection, WithoutGnomeWebTheStandInServesAsBefore) {
    Desktop desktop(std::nullopt);
    auto result = desktop.run({"browser", "status"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("GNOME Web is not installed"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Browser: the stand-in"), std::string::npos) << result.out;

    result = desktop.run({"browser", "connect"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("GNOME Web is not installed"), std::string::npos) << result.err;
    ASSERT_EQ(desktop.run({"add", "block-url", "--url-filter", "tracker\\.js"}).exitCode, 0);
    EXPECT_NE(readText(home.shared() / "tmp.json").find("tracker"), std::string::npos);

    // Asked for by a script anyway, the state query fails and the request is dropped: no abort.
    result = desktop.run({"rebuild"}, "gnome-web");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Can't check blocker state GNOME Web is not installed"), std::string::npos) << result.err;
    result = desktop.run({"rebuild"}, "firefox");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("ORVANE_BROWSER names no browser"), std::string::npos) << result.err;
    EXPECT_EQ(desktop.run({"rebuild"}, "stand-in").exitCode, 0);

    // A Flatpak GNOME Web is found, said to be out of reach, and not connected.
    desktop.installFlatpak("48.1");
    const auto shown = status(desktop);
    ASSERT_TRUE(shown && shown->IsObject());
    EXPECT_FALSE((*shown)["gnomeWeb"]["installed"].GetBool());
    EXPECT_TRUE((*shown)["gnomeWeb"]["flatpak"].GetBool());
    EXPECT_STREQ((*shown)["gnomeWeb"]["flatpakVersion"].GetString(), "48.1");
    EXPECT_FALSE((*shown)["gnomeWeb"]["flatpakSupported"].GetBool());
    EXPECT_NE(std::string((*shown)["gnomeWeb"]["summary"].GetString()).find("Flatpak"), std::string::npos);
    result = desktop.run({"browser", "connect"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Flatpak"), std::string::npos) << result.err;
    EXPECT_STREQ((*status(desktop))["browser"].GetString(), "stand-in");
}
