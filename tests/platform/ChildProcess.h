#pragma once

#include <sys/resource.h>

#include <functional>
#include <string>

// Runs `work` in a forked copy of this process whose files cannot grow past `limit` bytes:
// writes beyond it fail with EFBIG instead of ending the process (SIGXFSZ is ignored). Answers
// the exit code `work` returned, or -1 when the child did not exit normally. Call it while the
// test runs no other threads.
int runWithFileSizeLimit(rlim_t limit, const std::function<int()>& work);

// A shell command line, run to its end; answers whether it succeeded.
bool runShell(const std::string& command);
