#include "ChildProcess.h"

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace {

bool spawnAndWait(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    g_auto(GStrv) envp = g_get_environ();
    gint status = 0;
    g_autoptr(GError) error = nullptr;
    if (!g_spawn_sync(nullptr, argv.data(), envp, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, nullptr,
                      &status, &error)) {
        return false;
    }
    return g_spawn_check_wait_status(status, nullptr);
}

} // namespace

int runWithFileSizeLimit(rlim_t limit, const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit bound{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &bound);
        ::_exit(work());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

bool runShell(const std::string& command) { return spawnAndWait({"/bin/sh", "-c", command}); }
