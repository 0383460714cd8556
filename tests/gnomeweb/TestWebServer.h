#pragma once

#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::test {

// A web server on 127.0.0.1 that notes the target of every request it gets, the log that shows
// what a browser really loaded. Each connection is served on a thread of its own (a browser may
// open connections it sends nothing on), one request per connection; a connection silent for
// a few seconds is dropped, so stopping never waits on a browser.
//
// Pages:
//   /start/ROUND  a page that goes on to /page/ROUND at once (GNOME Web 43 lets the first page
//                 of a new tab load before the tab's content filter is attached; the second
//                 load is the one that counts)
//   /page/ROUND   loads the scripts /orvane-ad/ROUND.js and /control/ROUND.js, and when every
//                 resource has loaded or failed, requests /loaded/ROUND
// Any other target answers an empty script.
class TestWebServer {
public:
    TestWebServer();
    ~TestWebServer();
    TestWebServer(const TestWebServer&) = delete;
    TestWebServer& operator=(const TestWebServer&) = delete;

    std::string url(const std::string& target) const;
    bool wasRequested(const std::string& target) const;
    // Waits until `target` has been requested; false when the time ran out.
    bool waitForRequest(const std::string& target, std::chrono::milliseconds limit) const;

private:
    void accept();
    void serve(GSocket* connection);
    void note(const std::string& target);

    GSocket* listener_ = nullptr;
    GCancellable* stopping_ = nullptr;
    guint16 port_ = 0;
    std::thread acceptor_;

    mutable std::mutex mutex_;
    mutable std::condition_variable requested_;
    std::vector<std::string> log_;
    std::vector<std::thread> workers_;
};

} // namespace orvane::test
