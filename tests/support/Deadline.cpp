#include "support/Deadline.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace orvane::test {

void finishWithin(std::chrono::seconds limit, const std::string& what, const std::function<void()>& work) {
    std::packaged_task<void()> task(work);
    auto done = task.get_future();
    std::thread runner(std::move(task));
    if (done.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << what << " did not finish within " << limit.count() << " s";
        std::fprintf(stderr, "%s did not finish within %lld s; stopping the test process\n", what.c_str(),
                     static_cast<long long>(limit.count()));
        std::fflush(nullptr);
        std::_Exit(EXIT_FAILURE);
    }
    runner.join();
    done.get();
}

} // namespace orvane::test
