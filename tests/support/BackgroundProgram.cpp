#include "support/BackgroundProgram.h"

#include "platform/Locations.h"
#include "support/TempHome.h"

#include <gio/gio.h>

#include <csignal>
#include <thread>

namespace orvane::test {

BackgroundProgram::BackgroundProgram(const std::string& name, const std::vector<std::string>& arguments,
                                     const Environment& environment) {
    const std::string program = (executableDirectory() / name).string();
    std::vector<const gchar*> argv{program.c_str()};
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDERR_MERGE);
    g_subprocess_launcher_set_stdout_file_path(launcher, (directory_.path() / "output").c_str());
    for (const auto& [variable, value] : environment) {
        g_subprocess_launcher_setenv(launcher, variable.c_str(), value.c_str(), TRUE);
    }
    process_ = g_subprocess_launcher_spawnv(launcher, argv.data(), nullptr);
    g_object_unref(launcher);
}

BackgroundProgram::~BackgroundProgram() {
    interrupt();
    if (process_ != nullptr) {
        g_object_unref(process_);
    }
}

std::string BackgroundProgram::output() const { return readText(directory_.path() / "output"); }

bool BackgroundProgram::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (output().find(text) == std::string::npos) {
        if (process_ == nullptr || std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int BackgroundProgram::interrupt() {
    if (process_ != nullptr && !exitCode_) {
        g_subprocess_send_signal(process_, SIGINT);
        g_subprocess_wait(process_, nullptr, nullptr);
        exitCode_ = g_subprocess_get_if_exited(process_) ? g_subprocess_get_exit_status(process_) : -1;
    }
    return exitCode_.value_or(-1);
}

} // namespace orvane::test
