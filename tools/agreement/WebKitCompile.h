#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

// WebKit's content-blocker compiler, the same call the filter compiler makes, in a worker process
// of this program: WebKit aborts on some patterns (a range of a character set that ends beyond
// ASCII), and a run of thousands must outlive that. A worker that dies is replaced, and its
// death is the answer for the list it was compiling.
class WebKitCompile {
public:
    // `program` is this program, started again with --worker.
    WebKitCompile(std::filesystem::path program, std::filesystem::path storeDirectory);
    ~WebKitCompile();
    WebKitCompile(const WebKitCompile&) = delete;
    WebKitCompile& operator=(const WebKitCompile&) = delete;

    // WebKit's message when it refuses the list ("WebKit crashed (signal N)" when it died on it),
    // nothing when it compiled it.
    std::optional<std::string> refusal(const std::string& json);

private:
    void start();
    void stop();

    std::filesystem::path program_;
    std::filesystem::path store_;
    pid_t worker_ = -1;
    std::FILE* toWorker_ = nullptr;
    std::FILE* fromWorker_ = nullptr;
};

// The worker's side: compiles each list read from standard input into the store and answers on
// standard output. Returns when its input ends.
int runWebKitWorker(const std::filesystem::path& storeDirectory);
