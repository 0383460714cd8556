#include "support/RunProgram.h"

#include "platform/Locations.h"

#include <gio/gio.h>

#include <memory>

namespace orvane::test {

ProgramResult runProgram(const std::string& name, const std::vector<std::string>& arguments,
                         const std::string& input, const Environment& environment) {
    std::vector<const gchar*> argv;
    const std::string program = (executableDirectory() / name).string();
    argv.push_back(program.c_str());
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);

    ProgramResult result;
    GError* error = nullptr;
    std::unique_ptr<GSubprocessLauncher, decltype(&g_object_unref)> launcher(
        g_subprocess_launcher_new(static_cast<GSubprocessFlags>(
            G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE)),
        g_object_unref);
    for (const auto& [variable, value] : environment) {
        g_subprocess_launcher_setenv(launcher.get(), variable.c_str(), value.c_str(), TRUE);
    }
    std::unique_ptr<GSubprocess, decltype(&g_object_unref)> process(
        g_subprocess_launcher_spawnv(launcher.get(), argv.data(), &error), g_object_unref);
    if (!process) {
        result.err = error->message;
        g_error_free(error);
        return result;
    }
    gchar* out = nullptr;
    gchar* err = nullptr;
    if (g_subprocess_communicate_utf8(process.get(), input.c_str(), nullptr, &out, &err, &error)) {
        result.exitCode = g_subprocess_get_if_exited(process.get()) ? g_subprocess_get_exit_status(process.get()) : -1;
    } else {
        result.err = error->message;
        g_error_free(error);
    }
    result.out = out != nullptr ? out : "";
    result.err += err != nullptr ? err : "";
    g_free(out);
    g_free(err);
    return result;
}

ProgramResult orvanectl(const std::vector<std::string>& arguments, const std::string& input,
                        const Environment& environment) {
    return runProgram("orvanectl", arguments, input, environment);
}

} // namespace orvane::test
