#pragma once

#include <sys/resource.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Runs `work` in a forked copy of this process whose files cannot grow past `limit` bytes:
// writes beyond it fail with EFBIG instead of ending the process (SIGXFSZ is ignored). Answers
// the exit code `work` returned, or -1 when the child did not exit normally. Call it while the
// test runs no other threads.
int runWithFileSizeLimit(rlim_t limit, const std::function<int()>& work);

// Runs a program with the arguments (the first is its path) to its end; answers whether it
// exited with status 0.
bool runProgram(const std::vector<std::string>& arguments);

// A shell command line, run to its end; answers whether it succeeded.
bool runShell(const std::string& command);
