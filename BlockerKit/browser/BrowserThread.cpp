#include "browser/BrowserThread.h"

namespace orvane::browser {
namespace {

using Work = std::function<void()>;

gboolean runOnce(gpointer data) {
    (*static_cast<Work*>(data))();
    return G_SOURCE_REMOVE;
}

// GLib hands the work back when the source goes away, run or not; a unique_ptr takes it over.
void destroyWork(gpointer data) { std::unique_ptr<Work>(static_cast<Work*>(data)); }

} // namespace

BrowserThread& BrowserThread::shared() {
    static BrowserThread thread;
    return thread;
}

BrowserThread::BrowserThread()
    : context_(g_main_context_new()), loop_(g_main_loop_new(context_.get(), FALSE)) {
    thread_ = std::thread([this] {
        // Asynchronous GIO calls made here report back to this context.
        g_main_context_push_thread_default(context_.get());
        g_main_loop_run(loop_.get());
        g_main_context_pop_thread_default(context_.get());
    });
}

BrowserThread::~BrowserThread() {
    post([this] { g_main_loop_quit(loop_.get()); });
    thread_.join();
}

void BrowserThread::post(std::function<void()> work) {
    GSource* source = g_idle_source_new();
    g_source_set_callback(source, runOnce, std::make_unique<Work>(std::move(work)).release(), destroyWork);
    g_source_attach(source, context_.get());
    g_source_unref(source);
}

} // namespace orvane::browser
