#include "browser/BrowserThread.h"

#include "platform/MainQueue.h"

namespace orvane::browser {

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

void BrowserThread::post(std::function<void()> work) { runOnContext(context_.get(), std::move(work)); }

} // namespace orvane::browser
