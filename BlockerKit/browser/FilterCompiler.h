#pragma once

#include "browser/BrowserError.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace orvane::browser {

inline constexpr const char* kFilterCompilerName = "orvane-filter-compiler";

using CompileCompletion = std::function<void(std::optional<BrowserError>)>;

// The compiler program: $ORVANE_FILTER_COMPILER when set, else the one installed beside the
// running executable.
std::filesystem::path filterCompilerPath();

// Compiles the content-blocker file `source` with WebKit into the content-filter store at
// `storeDirectory` under `identifier`. The compile runs in a child process: WebKit needs a few
// hundred megabytes for a large file, which the child gives back when it ends, and a crash of
// WebKit's compiler ends only the child. A child still running when the browser thread ends is
// killed with it.
//
// The completion runs on the browser thread, never inside the call, with no error when WebKit
// stored the compiled filter; else WebKit's own error (its domain, code and message), or an
// error saying why the child could not start, crashed (CompilerCrashed: WebKit aborts on some
// patterns it should refuse), was killed, or ran longer than `timeout` and was stopped.
void compileContentFilter(std::filesystem::path source, std::filesystem::path storeDirectory,
                          std::string identifier, std::chrono::milliseconds timeout,
                          CompileCompletion completion);

} // namespace orvane::browser
