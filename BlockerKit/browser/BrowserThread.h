#pragma once

#include <glib.h>

#include <functional>
#include <memory>
#include <thread>

namespace orvane::browser {

// The browser stand-in's own thread with a GLib main context of its own. It watches the
// compiler's child processes and delivers every completion of the browser calls, so callers on
// any thread get their answers without running a main loop.
class BrowserThread {
public:
    static BrowserThread& shared();

    ~BrowserThread();
    BrowserThread(const BrowserThread&) = delete;
    BrowserThread& operator=(const BrowserThread&) = delete;

    // Runs `work` on the thread, later, never inside this call. The work must not block: every
    // browser completion shares the thread.
    void post(std::function<void()> work);

    // The thread's context, for sources (timeouts) that belong to work running on it.
    GMainContext* context() const { return context_.get(); }

private:
    BrowserThread();

    struct ContextUnref {
        void operator()(GMainContext* context) const { g_main_context_unref(context); }
    };
    struct LoopUnref {
        void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
    };

    std::unique_ptr<GMainContext, ContextUnref> context_;
    std::unique_ptr<GMainLoop, LoopUnref> loop_;
    std::thread thread_;
};

} // namespace orvane::browser
