#include "support/BackgroundProgram.h"

#include "platform/Locations.h"

#include <gio/gio.h>

#include <csignal>

namespace orvane::test {

BackgroundProgram::BackgroundProgram(const std::string& name, const std::vector<std::string>& arguments,
                                     const Environment& environment) {
    const std::string program = (executableDirectory() / name).string();
    std::vector<const gchar*> argv{program.c_str()};
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(
        static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_MERGE));
    for (const auto& [variable, value] : environment) {
        g_subprocess_launcher_setenv(launcher, variable.c_str(), value.c_str(), TRUE);
    }
    GError* error = nullptr;
    process_ = g_subprocess_launcher_spawnv(launcher, argv.data(), &error);
    g_object_unref(launcher);
    if (process_ == nullptr) {
        output_ = error->message;
        g_error_free(error);
        return;
    }
    reader_ = std::thread([this, stream = g_subprocess_get_stdout_pipe(process_)] {
        char buffer[4096];
        for (;;) {
            const gssize count = g_input_stream_read(stream, buffer, sizeof buffer, nullptr, nullptr);
            if (count <= 0) {
                return;
            }
            std::lock_guard lock(mutex_);
            output_.append(buffer, static_cast<std::size_t>(count));
        }
    });
}

BackgroundProgram::~BackgroundProgram() {
    interrupt();
    if (process_ != nullptr) {
        g_object_unref(process_);
    }
}

std::string BackgroundProgram::output() const {
    std::lock_guard lock(mutex_);
    return output_;
}

bool BackgroundProgram::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (output().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int BackgroundProgram::interrupt() {
    if (process_ == nullptr || waited_) {
        return exitCode_;
    }
    g_subprocess_send_signal(process_, SIGINT);
    g_subprocess_wait(process_, nullptr, nullptr);
    if (reader_.joinable()) {
        reader_.join();
    }
    waited_ = true;
    exitCode_ = g_subprocess_get_if_exited(process_) ? g_subprocess_get_exit_status(process_) : -1;
    return exitCode_;
}

} // namespace orvane::test
