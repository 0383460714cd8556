#include "platform/MainQueue.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace orvane {
namespace {

using Work = std::function<void()>;

gboolean runOnce(gpointer data) {
    (*static_cast<Work*>(data))();
    return G_SOURCE_REMOVE;
}

// GLib hands the work back when the source goes away; ownership returns to a unique_ptr.
void destroyWork(gpointer data) { std::unique_ptr<Work>(static_cast<Work*>(data)); }

void attach(GSource* source, Work work, GMainContext* context = g_main_context_default()) {
    g_source_set_callback(source, runOnce, std::make_unique<Work>(std::move(work)).release(), destroyWork);
    g_source_attach(source, context);
    g_source_unref(source);
}

} // namespace

void runOnContext(GMainContext* context, std::function<void()> work) {
    attach(g_idle_source_new(), std::move(work), context);
}

void runOnMain(std::function<void()> work) {
    attach(g_idle_source_new(), std::move(work));
}

void runOnMainAfter(std::chrono::milliseconds delay, std::function<void()> work) {
    const auto ms = delay.count() < 0 ? 0 : static_cast<guint>(std::min<long long>(delay.count(), G_MAXUINT));
    attach(g_timeout_source_new(ms), std::move(work));
}

bool runMainLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    GMainContext* context = g_main_context_default();
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeout.count()) * 1000;
    // A wake-up source bounds each blocking iteration so the deadline is honoured.
    while (!done()) {
        if (g_get_monotonic_time() >= deadline) {
            return false;
        }
        GSource* tick = g_timeout_source_new(20);
        g_source_set_callback(tick, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(tick, context);
        g_main_context_iteration(context, TRUE);
        g_source_destroy(tick);
        g_source_unref(tick);
    }
    return true;
}

void drainMainQueue() {
    while (g_main_context_iteration(g_main_context_default(), FALSE)) {
    }
}

} // namespace orvane
