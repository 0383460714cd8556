#include "platform/DirectoryWatch.h"

#include "platform/Log.h"

#include <gio/gio.h>

#include <mutex>

namespace orvane {
namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

using SharedHandler = std::shared_ptr<const DirectoryWatch::Handler>;

// GLib hands boxed C++ values back through destroy notifications; ownership returns to a
// unique_ptr there.
template <typename T>
gpointer box(T value) {
    return std::make_unique<T>(std::move(value)).release();
}

template <typename T>
void unbox(gpointer data) {
    std::unique_ptr<T>(static_cast<T*>(data));
}

std::string basename(GFile* file) {
    g_autofree char* name = g_file_get_basename(file);
    return name != nullptr ? std::string(name) : std::string();
}

void reportChange(GFileMonitor*, GFile* file, GFile* otherFile, GFileMonitorEvent, gpointer data) {
    // A copy, since the handler may end the watch that calls it.
    const SharedHandler handler = *static_cast<SharedHandler*>(data);
    (*handler)(basename(file));
    if (otherFile != nullptr) {
        (*handler)(basename(otherFile));
    }
}

} // namespace

struct DirectoryWatch::State {
    std::filesystem::path directory;
    SharedHandler handler;
    std::mutex mutex;
    bool stopped = false;
    std::unique_ptr<GFileMonitor, ObjectUnref> monitor;

    // Runs with the main context as the thread's default, so that GIO delivers there.
    void start() {
        std::lock_guard lock(mutex);
        if (stopped) {
            return;
        }
        g_autoptr(GFile) folder = g_file_new_for_path(directory.c_str());
        g_autoptr(GError) error = nullptr;
        monitor.reset(g_file_monitor_directory(folder, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error));
        if (!monitor) {
            log("Cannot watch " + directory.string() + ": " + (error != nullptr ? error->message : "unknown error"));
            return;
        }
        g_signal_connect_data(monitor.get(), "changed", G_CALLBACK(reportChange), box(handler),
                              [](gpointer data, GClosure*) { unbox<SharedHandler>(data); }, GConnectFlags{});
    }
};

DirectoryWatch::DirectoryWatch(std::filesystem::path directory, Handler handler)
    : state_(std::make_shared<State>()) {
    state_->directory = std::move(directory);
    state_->handler = std::make_shared<const Handler>(std::move(handler));
    using WeakState = std::weak_ptr<State>;
    g_main_context_invoke_full(
        g_main_context_default(), G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            if (auto state = static_cast<WeakState*>(data)->lock()) {
                state->start();
            }
            return G_SOURCE_REMOVE;
        },
        box(WeakState(state_)), unbox<WeakState>);
}

DirectoryWatch::~DirectoryWatch() {
    std::lock_guard lock(state_->mutex);
    state_->stopped = true;
    if (state_->monitor) {
        g_file_monitor_cancel(state_->monitor.get());
        state_->monitor.reset();
    }
}

} // namespace orvane
