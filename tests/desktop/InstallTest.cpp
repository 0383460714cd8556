// The installed application runs from its installed files alone.

#include "DesktopHarness.h"

#include "support/BackgroundProgram.h"
#include "support/RunProgram.h"

#include <gio/gio.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

// Runs a command line to the end; answers its exit status and what it printed.
std::pair<int, std::string> shell(const std::string& command) {
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = -1;
    GError* error = nullptr;
    const gchar* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err,
                      &status, &error)) {
        std::string message = error->message;
        g_error_free(error);
        return {-1, message};
    }
    std::string printed = std::string(out != nullptr ? out : "") + (err != nullptr ? err : "");
    g_free(out);
    g_free(err);
    return {g_spawn_check_wait_status(status, nullptr) ? 0 : 1, printed};
}

using InstallTest = DesktopTest;

} // namespace

TEST_F(InstallTest, TheInstalledApplicationFindsEverythingInItsOwnFolders) {
    TemporaryDirectory root;
    const auto staged = root / "staged";
    auto installed = shell("cmake --install '" + std::string(ORVANE_BUILD_DIR) + "' --prefix '" + staged.string() + "'");
    ASSERT_EQ(installed.first, 0) << installed.second;
    // Moved elsewhere after installation: nothing may point back at the build or source tree.
    const auto prefix = root / "moved";
    std::filesystem::rename(staged, prefix);
    const auto share = prefix / "share";
    for (const auto& file : {"bin/orvane", "bin/orvanectl", "bin/orvane-filter-compiler", "share/orvane/PreinstalledPackages.json",
                             "share/applications/com.larkmoor.Orvane.desktop", "share/metainfo/com.larkmoor.Orvane.metainfo.xml",
                             "share/mime/packages/com.larkmoor.Orvane.xml",
                             "share/icons/hicolor/scalable/apps/com.larkmoor.Orvane.svg"}) {
        EXPECT_TRUE(std::filesystem::exists(prefix / file)) << file;
    }
    auto desktopFile = shell("desktop-file-validate '" + (share / "applications/com.larkmoor.Orvane.desktop").string() + "'");
    EXPECT_EQ(desktopFile.first, 0) << desktopFile.second;
    auto metainfo = shell("appstreamcli validate --no-net '" + (share / "metainfo/com.larkmoor.Orvane.metainfo.xml").string() + "'");
    EXPECT_EQ(metainfo.first, 0) << metainfo.second;
    auto mime = shell("update-mime-database '" + (share / "mime").string() + "'");
    ASSERT_EQ(mime.first, 0) << mime.second;
    EXPECT_NE(readText(share / "mime/globs2").find("application/x-orvane-package:*.orvanepkg"), std::string::npos);

    // A preinstalled file only the installed copy has.
    const std::string marker = R"([{"id":"installed-list","name":"Installed List","rules":[]}])";
    writeText(share / "orvane/PreinstalledPackages.json", marker);
    ::unsetenv("ORVANE_RESOURCES");
    GError* error = nullptr;
    const auto program = (prefix / "bin/orvane").string();
    const gchar* argv[] = {program.c_str(), nullptr};
    GSubprocess* process = g_subprocess_newv(argv, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, &error);
    ASSERT_NE(process, nullptr) << error->message;
    const auto copied = home_.shared() / "PreinstalledPackages.json";
    EXPECT_TRUE(pumpUntil([&] { return readText(copied) == marker; }, 60s)) << readText(copied);
    g_subprocess_send_signal(process, SIGTERM);
    g_subprocess_wait(process, nullptr, nullptr);
    g_object_unref(process);
}
