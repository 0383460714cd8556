#include "browser/FilterCompiler.h"

#include "browser/BrowserError.h"
#include "browser/BrowserThread.h"
#include "platform/Locations.h"

#include <gio/gio.h>
#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <memory>

namespace orvane::browser {
namespace {

// The child's exit status when WebKit (or reading the file) refused: standard output then holds
// the error's domain and code on one line each, followed by its message.
constexpr int kExitRefused = 1;

struct SubprocessUnref {
    void operator()(GSubprocess* process) const { g_object_unref(process); }
};

struct SourceDestroy {
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

// One compile in flight. Its child's callbacks own it until the child has ended; the timer only
// borrows it and is destroyed with it.
struct Compilation {
    std::filesystem::path program;
    std::filesystem::path source;
    std::filesystem::path storeDirectory;
    std::string identifier;
    std::chrono::milliseconds timeout;
    CompileCompletion completion;
    std::unique_ptr<GSubprocess, SubprocessUnref> process;
    std::unique_ptr<GSource, SourceDestroy> timer;
    bool timedOut = false;
};

void start(std::unique_ptr<Compilation> compilation);

// Compiles run one at a time, in the order asked for: each child reads the file when it starts,
// so the last compile to finish is always of the newest file and an older compile can never
// overwrite a newer filter. Touched only on the browser thread.
struct CompileQueue {
    std::deque<std::unique_ptr<Compilation>> waiting;
    bool running = false;
};

CompileQueue& compileQueue() {
    static CompileQueue queue;
    return queue;
}

void startNext() {
    CompileQueue& queue = compileQueue();
    if (queue.waiting.empty()) {
        queue.running = false;
        return;
    }
    queue.running = true;
    auto next = std::move(queue.waiting.front());
    queue.waiting.pop_front();
    start(std::move(next));
}

void enqueue(std::unique_ptr<Compilation> compilation) {
    compileQueue().waiting.push_back(std::move(compilation));
    if (!compileQueue().running) {
        startNext();
    }
}

void finish(std::unique_ptr<Compilation> compilation, std::optional<BrowserError> error) {
    CompileCompletion completion = std::move(compilation->completion);
    compilation.reset();
    completion(std::move(error));
    startNext();
}

std::string text(GBytes* bytes) {
    if (bytes == nullptr) {
        return {};
    }
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    return data == nullptr ? std::string() : std::string(data, size);
}

std::string lastLine(std::string output) {
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    const auto newline = output.rfind('\n');
    return newline == std::string::npos ? output : output.substr(newline + 1);
}

std::optional<BrowserError> parseRefusal(const std::string& output) {
    const auto first = output.find('\n');
    if (first == std::string::npos || first == 0) {
        return std::nullopt;
    }
    const auto second = output.find('\n', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const std::string codeText = output.substr(first + 1, second - first - 1);
    char* end = nullptr;
    std::strtol(codeText.c_str(), &end, 10);
    std::string message = output.substr(second + 1);
    if (codeText.empty() || end == nullptr || *end != '\0' || message.empty()) {
        return std::nullopt;
    }
    // WebKit's domain and code tell nothing the message does not; the message is what the user sees.
    return browserError(BrowserErrorCode::Refused, std::move(message));
}

BrowserError compilerFailed(std::string description) {
    return browserError(BrowserErrorCode::CompilerFailed, "The content-blocker compiler " + std::move(description));
}

std::optional<BrowserError> verdict(const Compilation& compilation, const std::string& output, const std::string& diagnostics) {
    GSubprocess* process = compilation.process.get();
    if (g_subprocess_get_if_signaled(process)) {
        if (compilation.timedOut) {
            return compilerFailed("took too long and was stopped");
        }
        const int signal = g_subprocess_get_term_sig(process);
        const std::string what = std::to_string(signal) + ": " + g_strsignal(signal) + ")";
        if (signal == SIGKILL || signal == SIGTERM) {
            return compilerFailed("was killed (signal " + what);
        }
        return browserError(BrowserErrorCode::CompilerCrashed, "The content-blocker compiler crashed (signal " + what);
    }
    const int status = g_subprocess_get_exit_status(process);
    if (status == 0) {
        return std::nullopt;
    }
    if (status == kExitRefused) {
        if (auto refusal = parseRefusal(output)) {
            return refusal;
        }
    }
    const std::string detail = lastLine(diagnostics);
    return compilerFailed("failed with exit status " + std::to_string(status) + (detail.empty() ? "" : ": " + detail));
}

void communicated(GObject* object, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Compilation> compilation(static_cast<Compilation*>(data));
    g_autoptr(GBytes) output = nullptr;
    g_autoptr(GBytes) diagnostics = nullptr;
    g_autoptr(GError) error = nullptr;
    const bool read = g_subprocess_communicate_finish(G_SUBPROCESS(object), result, &output, &diagnostics, &error);
    if (!read) {
        finish(std::move(compilation), compilerFailed(std::string("could not be followed: ") + error->message));
        return;
    }
    auto answer = verdict(*compilation, text(output), text(diagnostics));
    finish(std::move(compilation), std::move(answer));
}

gboolean stopCompiler(gpointer data) {
    auto* compilation = static_cast<Compilation*>(data);
    compilation->timedOut = true;
    g_subprocess_force_exit(compilation->process.get());
    return G_SOURCE_REMOVE;
}

// Runs in the child between fork and exec: a compile nobody waits for any more is not left
// running when the browser thread, or the whole application, goes away.
void dieWithParent(gpointer) { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }

bool isProgram(const std::filesystem::path& path) {
    return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) && g_file_test(path.c_str(), G_FILE_TEST_IS_EXECUTABLE);
}

void start(std::unique_ptr<Compilation> compilation) {
    const auto& program = compilation->program;
    if (!isProgram(program)) {
        auto missing = browserError(BrowserErrorCode::CompilerMissing, "The content-blocker compiler is missing: " + program.string());
        finish(std::move(compilation), std::move(missing));
        return;
    }
    g_autoptr(GSubprocessLauncher) launcher =
        g_subprocess_launcher_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE));
    g_subprocess_launcher_set_child_setup(launcher, dieWithParent, nullptr, nullptr);
    const gchar* arguments[] = {program.c_str(), compilation->storeDirectory.c_str(), compilation->identifier.c_str(),
                                compilation->source.c_str(), nullptr};
    g_autoptr(GError) error = nullptr;
    GSubprocess* process = g_subprocess_launcher_spawnv(launcher, arguments, &error);
    if (process == nullptr) {
        finish(std::move(compilation), compilerFailed(std::string("could not be started: ") + error->message));
        return;
    }
    compilation->process.reset(process);

    const auto milliseconds = std::clamp<std::chrono::milliseconds::rep>(compilation->timeout.count(), 0, G_MAXUINT);
    compilation->timer.reset(g_timeout_source_new(static_cast<guint>(milliseconds)));
    g_source_set_callback(compilation->timer.get(), stopCompiler, compilation.get(), nullptr);
    g_source_attach(compilation->timer.get(), BrowserThread::shared().context());

    g_subprocess_communicate_async(process, nullptr, nullptr, communicated, compilation.release());
}

} // namespace

std::filesystem::path filterCompilerPath() {
    if (const char* override = std::getenv("ORVANE_FILTER_COMPILER"); override != nullptr && *override != '\0') {
        return override;
    }
    return executableDirectory() / kFilterCompilerName;
}

void compileContentFilter(std::filesystem::path source, std::filesystem::path storeDirectory, std::string identifier,
                          std::chrono::milliseconds timeout, CompileCompletion completion) {
    auto compilation = std::make_unique<Compilation>();
    compilation->program = filterCompilerPath();
    compilation->source = std::move(source);
    compilation->storeDirectory = std::move(storeDirectory);
    compilation->identifier = std::move(identifier);
    compilation->timeout = timeout;
    compilation->completion = std::move(completion);
    // std::function needs a copyable callable; the shared_ptr hands the one compile over once.
    auto handOver = std::make_shared<std::unique_ptr<Compilation>>(std::move(compilation));
    BrowserThread::shared().post([handOver] { enqueue(std::move(*handOver)); });
}

} // namespace orvane::browser
