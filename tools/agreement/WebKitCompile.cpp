#include "WebKitCompile.h"

#include <webkit/webkit.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace {

// A frame on the pipes: the length in decimal and a line feed, then that many bytes.
bool writeFrame(std::FILE* to, const std::string& header, const std::string& body) {
    return std::fprintf(to, "%s%zu\n", header.c_str(), body.size()) > 0 &&
           std::fwrite(body.data(), 1, body.size(), to) == body.size() && std::fflush(to) == 0;
}

std::optional<std::string> readBody(std::FILE* from, std::size_t size) {
    std::string body(size, '\0');
    if (size > 0 && std::fread(body.data(), 1, size, from) != size) {
        return std::nullopt;
    }
    return body;
}

struct Waiting {
    GMainLoop* loop;
    std::optional<std::string> error;
};

void saved(GObject* store, GAsyncResult* result, gpointer data) {
    auto* waiting = static_cast<Waiting*>(data);
    GError* error = nullptr;
    WebKitUserContentFilter* filter =
        webkit_user_content_filter_store_save_finish(WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
    if (filter != nullptr) {
        webkit_user_content_filter_unref(filter);
    }
    if (error != nullptr) {
        waiting->error = error->message;
        g_error_free(error);
    }
    g_main_loop_quit(waiting->loop);
}

} // namespace

WebKitCompile::WebKitCompile(std::filesystem::path program, std::filesystem::path storeDirectory)
    : program_(std::move(program)), store_(std::move(storeDirectory)) {
    start();
}

WebKitCompile::~WebKitCompile() { stop(); }

void WebKitCompile::start() {
    int toChild[2];
    int fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) {
        throw std::runtime_error("no pipe for the WebKit worker");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    const std::string program = program_.string();
    const std::string store = store_.string();
    std::vector<char*> arguments{const_cast<char*>(program.c_str()), const_cast<char*>("--worker"),
                                 const_cast<char*>(store.c_str()), nullptr};
    const int spawned = posix_spawn(&worker_, program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (spawned != 0) {
        throw std::runtime_error("the WebKit worker did not start: " + std::string(std::strerror(spawned)));
    }
    toWorker_ = ::fdopen(toChild[1], "w");
    fromWorker_ = ::fdopen(fromChild[0], "r");
}

void WebKitCompile::stop() {
    if (toWorker_ != nullptr) {
        std::fclose(toWorker_);
        toWorker_ = nullptr;
    }
    if (fromWorker_ != nullptr) {
        std::fclose(fromWorker_);
        fromWorker_ = nullptr;
    }
    if (worker_ > 0) {
        int status = 0;
        ::waitpid(worker_, &status, 0);
        worker_ = -1;
    }
}

std::optional<std::string> WebKitCompile::refusal(const std::string& json) {
    int status = -1;
    std::size_t size = 0;
    if (writeFrame(toWorker_, "", json) && std::fscanf(fromWorker_, "%d %zu", &status, &size) == 2 &&
        std::fgetc(fromWorker_) == '\n') {
        if (auto message = readBody(fromWorker_, size)) {
            return status == 0 ? std::nullopt : std::optional(*message);
        }
    }
    int ended = 0;
    ::waitpid(worker_, &ended, 0);
    worker_ = -1;
    stop();
    start();
    return WIFSIGNALED(ended) ? "WebKit crashed (signal " + std::to_string(WTERMSIG(ended)) + ")"
                              : std::string("the WebKit worker ended");
}

int runWebKitWorker(const std::filesystem::path& storeDirectory) {
    WebKitUserContentFilterStore* store = webkit_user_content_filter_store_new(storeDirectory.c_str());
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    std::size_t size = 0;
    while (std::scanf("%zu", &size) == 1 && std::getchar() == '\n') {
        auto json = readBody(stdin, size);
        if (!json) {
            break;
        }
        GBytes* bytes = g_bytes_new(json->data(), json->size());
        Waiting waiting{loop, std::nullopt};
        webkit_user_content_filter_store_save(store, "agreement", bytes, nullptr, saved, &waiting);
        g_main_loop_run(loop);
        g_bytes_unref(bytes);
        if (!writeFrame(stdout, waiting.error ? "1 " : "0 ", waiting.error.value_or(""))) {
            break;
        }
    }
    g_main_loop_unref(loop);
    g_object_unref(store);
    return 0;
}
