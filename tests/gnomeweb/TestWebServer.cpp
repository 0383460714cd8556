#include "TestWebServer.h"

#include <algorithm>
#include <stdexcept>

namespace orvane::test {
namespace {

constexpr std::size_t kLargestRequestHead = 64 * 1024;
constexpr guint kSilenceSeconds = 10;

// The request head up to its blank line; empty when the client closed or fell silent first.
std::string readHead(GSocket* connection) {
    std::string head;
    char buffer[4096];
    while (head.size() < kLargestRequestHead) {
        const gssize count = g_socket_receive(connection, buffer, sizeof buffer, nullptr, nullptr);
        if (count <= 0) {
            return {};
        }
        head.append(buffer, static_cast<std::size_t>(count));
        if (head.find("\r\n\r\n") != std::string::npos) {
            return head;
        }
    }
    return {};
}

std::string targetOf(const std::string& head) {
    const auto first = head.find(' ');
    const auto second = first == std::string::npos ? first : head.find(' ', first + 1);
    return second == std::string::npos ? std::string() : head.substr(first + 1, second - first - 1);
}

std::string afterPrefix(const std::string& text, const std::string& prefix) {
    return text.starts_with(prefix) ? text.substr(prefix.size()) : std::string();
}

struct Answer {
    std::string type;
    std::string body;
};

Answer answerFor(const std::string& target) {
    if (const auto round = afterPrefix(target, "/start/"); !round.empty()) {
        return {"text/html", "<!DOCTYPE html><html><head><meta http-equiv=\"refresh\" content=\"0; url=/page/" + round +
                                 "\"></head><body>Starting round " + round + "</body></html>"};
    }
    if (const auto round = afterPrefix(target, "/page/"); !round.empty()) {
        return {"text/html", "<!DOCTYPE html><html><head><title>Round " + round + "</title></head><body>"
                             "<script src=\"/orvane-ad/" + round + ".js\"></script>"
                             "<script src=\"/control/" + round + ".js\"></script>"
                             "<script>addEventListener('load', function () { new Image().src = '/loaded/" + round +
                             "'; });</script></body></html>"};
    }
    return {"text/javascript", "// served\n"};
}

} // namespace

TestWebServer::TestWebServer() : stopping_(g_cancellable_new()) {
    g_autoptr(GError) error = nullptr;
    listener_ = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, &error);
    g_autoptr(GInetAddress) loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    g_autoptr(GSocketAddress) address = g_inet_socket_address_new(loopback, 0);
    if (listener_ == nullptr || !g_socket_bind(listener_, address, TRUE, &error) || !g_socket_listen(listener_, &error)) {
        throw std::runtime_error(std::string("the test web server cannot listen: ") + error->message);
    }
    g_autoptr(GSocketAddress) bound = g_socket_get_local_address(listener_, nullptr);
    port_ = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
    acceptor_ = std::thread([this] { accept(); });
}

TestWebServer::~TestWebServer() {
    g_cancellable_cancel(stopping_);
    acceptor_.join();
    for (auto& worker : workers_) {
        worker.join();
    }
    g_socket_close(listener_, nullptr);
    g_object_unref(listener_);
    g_object_unref(stopping_);
}

void TestWebServer::accept() {
    while (GSocket* connection = g_socket_accept(listener_, stopping_, nullptr)) {
        g_socket_set_timeout(connection, kSilenceSeconds);
        const std::lock_guard lock(mutex_);
        workers_.emplace_back([this, connection] {
            serve(connection);
            g_object_unref(connection);
        });
    }
}

void TestWebServer::serve(GSocket* connection) {
    const std::string target = targetOf(readHead(connection));
    if (!target.empty()) {
        note(target);
        const Answer answer = answerFor(target);
        const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: " + answer.type +
                                     "; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close\r\n"
                                     "Content-Length: " + std::to_string(answer.body.size()) + "\r\n\r\n" + answer.body;
        std::size_t sent = 0;
        while (sent < response.size()) {
            const gssize count = g_socket_send(connection, response.data() + sent, response.size() - sent, nullptr, nullptr);
            if (count <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(count);
        }
    }
    g_socket_close(connection, nullptr);
}

void TestWebServer::note(const std::string& target) {
    {
        const std::lock_guard lock(mutex_);
        log_.push_back(target);
    }
    requested_.notify_all();
}

std::string TestWebServer::url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + target;
}

bool TestWebServer::wasRequested(const std::string& target) const {
    const std::lock_guard lock(mutex_);
    return std::find(log_.begin(), log_.end(), target) != log_.end();
}

bool TestWebServer::waitForRequest(const std::string& target, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return requested_.wait_for(lock, limit, [&] { return std::find(log_.begin(), log_.end(), target) != log_.end(); });
}

} // namespace orvane::test
