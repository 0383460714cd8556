#include "TestWebServer.h"

#include <algorithm>
#include <stdexcept>

namespace orvane::test {
namespace {

constexpr gsize kLargestRequestHead = 64 * 1024;

// The request head up to its blank line; empty when the client closed first.
std::string readHead(GInputStream* input) {
    std::string head;
    char byte = 0;
    while (head.size() < kLargestRequestHead && g_input_stream_read(input, &byte, 1, nullptr, nullptr) == 1) {
        head.push_back(byte);
        if (head.ends_with("\r\n\r\n")) {
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

TestWebServer::TestWebServer()
    : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
    g_main_context_push_thread_default(context_);
    // Accepting happens on the server's context; each connection is then served on a worker.
    service_ = g_threaded_socket_service_new(64);
    g_autoptr(GInetAddress) loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    g_autoptr(GSocketAddress) address = g_inet_socket_address_new(loopback, 0);
    g_autoptr(GSocketAddress) bound = nullptr;
    g_autoptr(GError) error = nullptr;
    const bool listening = g_socket_listener_add_address(G_SOCKET_LISTENER(service_), address, G_SOCKET_TYPE_STREAM,
                                                         G_SOCKET_PROTOCOL_TCP, nullptr, &bound, &error);
    g_main_context_pop_thread_default(context_);
    if (!listening) {
        throw std::runtime_error(std::string("the test web server cannot listen: ") + error->message);
    }
    port_ = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
    g_signal_connect(service_, "run", G_CALLBACK(serve), this);
    thread_ = std::thread([this] {
        g_main_context_push_thread_default(context_);
        g_main_loop_run(loop_);
        g_main_context_pop_thread_default(context_);
    });
}

TestWebServer::~TestWebServer() {
    g_socket_service_stop(service_);
    g_socket_listener_close(G_SOCKET_LISTENER(service_));
    g_main_context_invoke(
        context_, [](gpointer loop) { g_main_loop_quit(static_cast<GMainLoop*>(loop)); return G_SOURCE_REMOVE; }, loop_);
    thread_.join();
    g_object_unref(service_);
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

gboolean TestWebServer::serve(GThreadedSocketService*, GSocketConnection* connection, GObject*, gpointer data) {
    auto* server = static_cast<TestWebServer*>(data);
    const std::string target = targetOf(readHead(g_io_stream_get_input_stream(G_IO_STREAM(connection))));
    if (!target.empty()) {
        server->note(target);
        const Answer answer = answerFor(target);
        const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: " + answer.type +
                                     "; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close\r\n"
                                     "Content-Length: " + std::to_string(answer.body.size()) + "\r\n\r\n" + answer.body;
        g_output_stream_write_all(g_io_stream_get_output_stream(G_IO_STREAM(connection)), response.data(),
                                  response.size(), nullptr, nullptr, nullptr);
    }
    g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
    return TRUE;
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
