#pragma once

#include "support/RunProgram.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _GSubprocess GSubprocess;

namespace orvane::test {

// A program of build/bin left running beside the test, its standard output and error collected
// as they come. Interrupted (SIGINT) and waited for when it goes.
class BackgroundProgram {
public:
    BackgroundProgram(const std::string& name, const std::vector<std::string>& arguments,
                      const Environment& environment = {});
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool started() const { return process_ != nullptr; }
    std::string output() const;
    // Whether the output holds `text` before `timeout` passes.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const;
    // Sends SIGINT and waits; answers the exit code, -1 when it did not exit normally.
    int interrupt();

private:
    GSubprocess* process_ = nullptr;
    mutable std::mutex mutex_;
    std::string output_;
    std::thread reader_;
    bool waited_ = false;
    int exitCode_ = -1;
};

} // namespace orvane::test
