// orvane-filter-compiler STORE-DIRECTORY IDENTIFIER SOURCE-FILE
//
// Compiles a content-blocker JSON file with WebKit into the content-filter store at
// STORE-DIRECTORY under IDENTIFIER. Exit status 0: compiled and stored. Exit status 1: refused;
// standard output then holds three lines and a rest: the error's domain, its code and its
// message (the message may span lines). Exit status 2: wrong arguments.

#include <webkit/webkit.h>

#include <cstdio>
#include <memory>

namespace {

struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct Compile {
    GMainLoop* loop = nullptr;
    ErrorPtr error;
};

void saved(GObject* store, GAsyncResult* result, gpointer data) {
    auto* compile = static_cast<Compile*>(data);
    GError* error = nullptr;
    WebKitUserContentFilter* filter =
        webkit_user_content_filter_store_save_finish(WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
    if (filter != nullptr) {
        webkit_user_content_filter_unref(filter);
    }
    compile->error.reset(error);
    g_main_loop_quit(compile->loop);
}

int refuse(const GError& error) {
    std::printf("%s\n%d\n%s", g_quark_to_string(error.domain), error.code, error.message);
    std::fflush(stdout);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s STORE-DIRECTORY IDENTIFIER SOURCE-FILE\n", argv[0]);
        return 2;
    }
    const char* storeDirectory = argv[1];
    const char* identifier = argv[2];
    const char* sourceFile = argv[3];

    g_autoptr(GFile) source = g_file_new_for_path(sourceFile);
    g_autoptr(GError) readError = nullptr;
    g_autoptr(GBytes) contents = g_file_load_bytes(source, nullptr, nullptr, &readError);
    if (contents == nullptr) {
        return refuse(*readError);
    }

    g_autoptr(WebKitUserContentFilterStore) store = webkit_user_content_filter_store_new(storeDirectory);
    g_autoptr(GMainLoop) loop = g_main_loop_new(nullptr, FALSE);
    Compile compile{loop, nullptr};
    webkit_user_content_filter_store_save(store, identifier, contents, nullptr, saved, &compile);
    g_main_loop_run(loop);
    return compile.error ? refuse(*compile.error) : 0;
}
