#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Writes one plain line to the diagnostic log (standard output unless a sink is set).
void log(std::string_view line);

// Where log lines go. Front ends pick standard error or nothing; tests capture.
using LogSink = std::function<void(std::string_view)>;
void setLogSink(LogSink sink);
void logToStandardOutput();
void logToStandardError();
void logToNowhere();
// Whether log lines are written on standard error now.
bool logGoesToStandardError();

// Captures every log line written while it lives (from any thread), then restores the
// previous sink.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(std::string_view line) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    LogSink previous_;
};

} // namespace orvane
