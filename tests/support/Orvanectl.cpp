#include "support/Orvanectl.h"

#include "platform/Locations.h"
#include "platform/Uuid.h"

#include <gtest/gtest.h>

#include <glib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace orvane::test {
namespace {

ToolRun spawn(const std::vector<std::string>& argv) {
    std::vector<gchar*> pointers;
    for (const auto& argument : argv) {
        pointers.push_back(const_cast<gchar*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    ToolRun run;
    if (!g_spawn_sync(nullptr, pointers.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &status,
                      &error)) {
        ADD_FAILURE() << "cannot run " << argv.front() << ": " << error->message;
        g_error_free(error);
        return run;
    }
    std::unique_ptr<gchar, decltype(&g_free)> ownedOut(out, g_free);
    std::unique_ptr<gchar, decltype(&g_free)> ownedErr(err, g_free);
    run.out = out;
    run.err = err;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string orvanectl() { return (executableDirectory() / "orvanectl").string(); }

} // namespace

ToolRun runOrvanectl(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{orvanectl()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return spawn(argv);
}

ToolRun runOrvanectl(const std::vector<std::string>& arguments, const std::string& input) {
    const auto inputFile = std::filesystem::temp_directory_path() / ("orvanectl-input-" + makeUUID());
    std::ofstream(inputFile, std::ios::binary) << input;
    // The shell only redirects standard input; "$@" keeps every argument as given.
    std::vector<std::string> argv{"/bin/sh", "-c", "input=$1; shift; exec \"$0\" \"$@\" < \"$input\"", orvanectl(),
                                  inputFile.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ToolRun run = spawn(argv);
    std::filesystem::remove(inputFile);
    return run;
}

} // namespace orvane::test
