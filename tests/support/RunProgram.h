#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvane::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Variables set for one run on top of the test's environment (a second home, for example).
using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs a program of build/bin (beside the test binary) with the test's environment, with
// `environment` set on top of it, and waits.
ProgramResult runProgram(const std::string& name, const std::vector<std::string>& arguments,
                         const std::string& input = "", const Environment& environment = {});

// Shorthand for orvanectl.
ProgramResult orvanectl(const std::vector<std::string>& arguments, const std::string& input = "",
                        const Environment& environment = {});

} // namespace orvane::test
