#pragma once

#include "support/RunProgram.h"
#include "support/TemporaryDirectory.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

typedef struct _GSubprocess GSubprocess;

namespace orvane::test {

// A program of build/bin left running beside the test, its standard output and error going to
// a file. Interrupted (SIGINT) and waited for when it goes.
class BackgroundProgram {
public:
    BackgroundProgram(const std::string& name, const std::vector<std::string>& arguments,
                      const Environment& environment = {});
    ~BackgroundProgram();

    std::string output() const;
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const;
    // Sends SIGINT and waits; answers the exit code, -1 when it did not exit normally.
    int interrupt();

private:
    orvane::test::TemporaryDirectory directory_;
    GSubprocess* process_ = nullptr;
    std::optional<int> exitCode_;
};

} // namespace orvane::test
