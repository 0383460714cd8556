#pragma once

#include <string>
#include <vector>

namespace orvane::test {

struct ToolRun {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs build/bin/orvanectl (beside the test binary) with the arguments and waits for it.
ToolRun runOrvanectl(const std::vector<std::string>& arguments);

// The same with `input` on its standard input.
ToolRun runOrvanectl(const std::vector<std::string>& arguments, const std::string& input);

} // namespace orvane::test
