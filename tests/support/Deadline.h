#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace orvane::test {

// Runs `work` on its own thread. When it has not finished within `limit`, the case fails at once
// and the process ends, instead of hanging until the test runner's timeout: a thread that may
// never return cannot be stopped any other way.
void finishWithin(std::chrono::seconds limit, const std::string& what, const std::function<void()>& work);

} // namespace orvane::test
