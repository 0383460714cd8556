#pragma once

#include <string>
#include <vector>

namespace orvane::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program of build/bin (beside the test binary) with the test's environment and waits.
ProgramResult runProgram(const std::string& name, const std::vector<std::string>& arguments,
                         const std::string& input = "");

// Shorthand for orvanectl.
ProgramResult orvanectl(const std::vector<std::string>& arguments, const std::string& input = "");

} // namespace orvane::test
