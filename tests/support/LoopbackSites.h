#pragma once

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _SoupServer SoupServer;

namespace orvane::test {

// Web sites under made-up host names, each served on a loopback address of its own (127.0.0.2,
// 127.0.0.3, …), and a proxy on 127.0.0.1 that sends every host name to its site: a web view
// set to use `proxy()` reaches them by name, over HTTP and (through CONNECT) HTTPS. Secure sites
// answer HTTPS with a self-signed certificate that no browser trusts, and HTTP as well.
//
// Everything runs on threads of its own, so a test may block its main thread (running a
// program, say) while a page loads.
class LoopbackSites {
public:
    struct Site {
        std::string host;
        bool secure = false;
    };
    struct Page {
        std::string body;
        std::string contentType = "text/html";
        int status = 200;
        // Sent as Location with a 3xx status.
        std::string location;
        // Never answered: the connection stays open and silent.
        bool hangs = false;
    };

    // `certificate`: a PEM file with the secure sites' certificate and key.
    LoopbackSites(const std::vector<Site>& sites, const std::filesystem::path& certificate);
    ~LoopbackSites();
    LoopbackSites(const LoopbackSites&) = delete;
    LoopbackSites& operator=(const LoopbackSites&) = delete;

    // `path` without the query; every site has its own pages.
    void addPage(const std::string& host, const std::string& path, Page page);
    std::string proxy() const;
    // The loopback address a site is served on.
    std::string addressOf(const std::string& host) const;
    // "host/path" of every request the sites answered or held, in order.
    std::vector<std::string> requests() const;

private:
    struct Endpoint {
        std::string address;
        unsigned httpPort = 0;
        unsigned httpsPort = 0;
    };
    static void handle(SoupServer* server, void* message, const char* path, void* query, void* self);
    void runProxy();
    void relay(int client);
    bool endpointFor(const std::string& host, bool secure, std::string& address, unsigned& port) const;

    mutable std::mutex mutex_;
    std::map<std::string, Endpoint> endpoints_;
    std::map<std::string, Page> pages_;
    std::vector<std::string> requests_;

    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::vector<SoupServer*> servers_;
    std::thread serving_;

    int proxySocket_ = -1;
    int stopPipe_[2] = {-1, -1};
    unsigned proxyPort_ = 0;
    std::thread proxying_;
    std::size_t activeRelays_ = 0;
    std::condition_variable relaysDone_;
};

} // namespace orvane::test
