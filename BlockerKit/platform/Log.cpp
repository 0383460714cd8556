#include "platform/Log.h"

#include <algorithm>
#include <cstdio>

namespace orvane {
namespace {

struct Logger {
    std::mutex mutex;
    LogSink sink;
    bool toStandardError = false;
};

Logger& logger() {
    static Logger instance;
    return instance;
}

void writeLine(std::FILE* stream, std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

LogSink exchangeSink(LogSink sink) {
    std::lock_guard lock(logger().mutex);
    std::swap(logger().sink, sink);
    return sink;
}

} // namespace

void log(std::string_view line) {
    std::lock_guard lock(logger().mutex);
    if (logger().sink) {
        logger().sink(line);
    } else {
        writeLine(stdout, line);
    }
}

void setLogSink(LogSink sink) {
    exchangeSink(std::move(sink));
    std::lock_guard lock(logger().mutex);
    logger().toStandardError = false;
}

void logToStandardOutput() { setLogSink(nullptr); }

void logToStandardError() {
    setLogSink([](std::string_view line) { writeLine(stderr, line); });
    std::lock_guard lock(logger().mutex);
    logger().toStandardError = true;
}

bool logGoesToStandardError() {
    std::lock_guard lock(logger().mutex);
    return logger().toStandardError;
}

void logToNowhere() {
    setLogSink([](std::string_view) {});
}

LogCapture::LogCapture() {
    previous_ = exchangeSink([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
}

LogCapture::~LogCapture() { exchangeSink(std::move(previous_)); }

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(std::string_view line) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

} // namespace orvane
