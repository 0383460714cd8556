#pragma once

#include <chrono>
#include <functional>

struct _GMainContext;

namespace orvane {

// The main thread is the one that runs the default GLib main context.

// Queues work on the main context; it always runs later, never inside this call.
void runOnMain(std::function<void()> work);

// Queues work on another GLib main context, run by the thread that iterates it; never inside
// this call.
void runOnContext(_GMainContext* context, std::function<void()> work);

// Queues work on the main context after a delay.
void runOnMainAfter(std::chrono::milliseconds delay, std::function<void()> work);

// Iterates the default main context on the calling thread until `done` answers true or the
// timeout passes. Answers whether `done` became true. For front ends and tests that wait.
bool runMainLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Runs everything already queued on the main context, without blocking.
void drainMainQueue();

} // namespace orvane
