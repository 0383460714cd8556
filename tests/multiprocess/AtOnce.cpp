#include "multiprocess/AtOnce.h"

#include <latch>
#include <thread>

namespace orvane::test {

std::vector<ProgramResult> orvanectlAtOnce(const std::vector<std::vector<std::string>>& commands,
                                           const Environment& environment) {
    std::vector<ProgramResult> results(commands.size());
    // Every thread is ready before any process starts, so the processes overlap as much as the
    // machine lets them.
    std::latch ready(static_cast<std::ptrdiff_t>(commands.size()));
    std::vector<std::thread> threads;
    threads.reserve(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        threads.emplace_back([&, i] {
            ready.arrive_and_wait();
            results[i] = orvanectl(commands[i], "", environment);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    return results;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

} // namespace orvane::test
