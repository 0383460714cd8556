#include "support/LoopbackSites.h"

#include <libsoup/soup.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <stdexcept>

namespace orvane::test {
namespace {

constexpr std::size_t kLargestHead = 64 * 1024;

bool sendAll(int socket, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

int connectTo(const std::string& address, unsigned port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

std::string hostWithoutPort(std::string host) {
    if (const auto colon = host.rfind(':'); colon != std::string::npos) {
        host.erase(colon);
    }
    return host;
}

} // namespace

LoopbackSites::LoopbackSites(const std::vector<Site>& sites, const std::filesystem::path& certificate) {
    GError* error = nullptr;
    GTlsCertificate* tls = g_tls_certificate_new_from_file(certificate.c_str(), &error);
    if (tls == nullptr) {
        const std::string message = error->message;
        g_error_free(error);
        throw std::runtime_error("cannot read the test certificate: " + message);
    }
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    std::promise<std::string> ready;
    auto started = ready.get_future();
    serving_ = std::thread([this, sites, tls, &ready] {
        g_main_context_push_thread_default(context_);
        std::string problem;
        unsigned last = 1;
        for (const Site& site : sites) {
            Endpoint endpoint;
            endpoint.address = "127.0.0." + std::to_string(++last);
            for (const bool secure : {false, true}) {
                if (secure && !site.secure) {
                    continue;
                }
                SoupServer* server = secure ? soup_server_new("tls-certificate", tls, nullptr)
                                            : soup_server_new(nullptr, nullptr);
                soup_server_add_handler(server, nullptr, reinterpret_cast<SoupServerCallback>(&LoopbackSites::handle),
                                        this, nullptr);
                GInetAddress* inet = g_inet_address_new_from_string(endpoint.address.c_str());
                GSocketAddress* address = g_inet_socket_address_new(inet, 0);
                GError* listenError = nullptr;
                if (!soup_server_listen(server, address, secure ? SOUP_SERVER_LISTEN_HTTPS : SoupServerListenOptions{},
                                        &listenError)) {
                    problem = listenError->message;
                    g_error_free(listenError);
                }
                g_object_unref(address);
                g_object_unref(inet);
                servers_.push_back(server);
                GSList* uris = soup_server_get_uris(server);
                const unsigned port = uris != nullptr ? static_cast<unsigned>(g_uri_get_port(static_cast<GUri*>(uris->data))) : 0;
                g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
                (secure ? endpoint.httpsPort : endpoint.httpPort) = port;
            }
            const std::lock_guard lock(mutex_);
            endpoints_[site.host] = endpoint;
        }
        ready.set_value(problem);
        g_main_loop_run(loop_);
        for (SoupServer* server : servers_) {
            soup_server_disconnect(server);
            g_object_unref(server);
        }
        g_main_context_pop_thread_default(context_);
    });
    const std::string problem = started.get();
    g_object_unref(tls);

    proxySocket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in bind{};
    bind.sin_family = AF_INET;
    bind.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof bind;
    if (::pipe(stopPipe_) != 0 || ::bind(proxySocket_, reinterpret_cast<sockaddr*>(&bind), sizeof bind) != 0 ||
        ::listen(proxySocket_, 64) != 0 ||
        ::getsockname(proxySocket_, reinterpret_cast<sockaddr*>(&bind), &length) != 0 || !problem.empty()) {
        throw std::runtime_error("the loopback sites cannot listen: " + problem);
    }
    proxyPort_ = ntohs(bind.sin_port);
    proxying_ = std::thread([this] { runProxy(); });
}

LoopbackSites::~LoopbackSites() {
    const char stop = 's';
    (void)!::write(stopPipe_[1], &stop, 1);
    proxying_.join();
    {
        std::unique_lock lock(mutex_);
        relaysDone_.wait(lock, [this] { return activeRelays_ == 0; });
    }
    g_main_context_invoke(
        context_,
        [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        },
        loop_);
    serving_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
    ::close(proxySocket_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void LoopbackSites::addPage(const std::string& host, const std::string& path, Page page) {
    const std::lock_guard lock(mutex_);
    pages_[host + path] = std::move(page);
}

std::string LoopbackSites::proxy() const { return "http://127.0.0.1:" + std::to_string(proxyPort_); }

std::string LoopbackSites::addressOf(const std::string& host) const {
    const std::lock_guard lock(mutex_);
    const auto found = endpoints_.find(host);
    return found != endpoints_.end() ? found->second.address : std::string();
}

std::vector<std::string> LoopbackSites::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackSites::handle(SoupServer*, void* message, const char* path, void*, void* self) {
    auto* sites = static_cast<LoopbackSites*>(self);
    auto* request = static_cast<SoupServerMessage*>(message);
    const char* hostHeader = soup_message_headers_get_one(soup_server_message_get_request_headers(request), "Host");
    const std::string key = hostWithoutPort(hostHeader != nullptr ? hostHeader : "") + path;
    Page page;
    bool found = false;
    {
        const std::lock_guard lock(sites->mutex_);
        sites->requests_.push_back(key);
        if (const auto it = sites->pages_.find(key); it != sites->pages_.end()) {
            page = it->second;
            found = true;
        }
    }
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(request);
    soup_message_headers_replace(headers, "Cache-Control", "no-store");
    if (!found) {
        soup_server_message_set_status(request, SOUP_STATUS_NOT_FOUND, nullptr);
        soup_server_message_set_response(request, "text/plain", SOUP_MEMORY_COPY, "missing", 7);
        return;
    }
    if (page.hangs) {
        soup_server_message_pause(request);
        return;
    }
    soup_server_message_set_status(request, static_cast<guint>(page.status), nullptr);
    if (!page.location.empty()) {
        soup_message_headers_replace(headers, "Location", page.location.c_str());
    }
    soup_server_message_set_response(request, page.contentType.c_str(), SOUP_MEMORY_COPY, page.body.data(),
                                     page.body.size());
}

bool LoopbackSites::endpointFor(const std::string& host, bool secure, std::string& address, unsigned& port) const {
    const std::lock_guard lock(mutex_);
    const auto found = endpoints_.find(host);
    if (found == endpoints_.end()) {
        return false;
    }
    address = found->second.address;
    port = secure ? found->second.httpsPort : found->second.httpPort;
    return port != 0;
}

void LoopbackSites::runProxy() {
    for (;;) {
        pollfd watched[2] = {{proxySocket_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0 || (watched[1].revents & POLLIN) != 0) {
            return;
        }
        const int client = ::accept4(proxySocket_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            {
                const std::lock_guard lock(mutex_);
                ++activeRelays_;
            }
            // Detached: a busy page opens hundreds of connections, and each relay ends by itself.
            std::thread([this, client] {
                relay(client);
                ::close(client);
                const std::lock_guard lock(mutex_);
                --activeRelays_;
                relaysDone_.notify_all();
            }).detach();
        }
    }
}

// One client connection. A CONNECT request makes it a tunnel to the named site's HTTPS port. Plain
// requests go one at a time, each to its own site with "Connection: close", and the answer comes
// back whole before the next request is read: a client may send the next one, for another host,
// down the same connection.
void LoopbackSites::relay(int client) {
    std::string pending;
    char buffer[16384];
    const auto readMore = [&]() {
        pollfd watched[2] = {{client, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(watched, 2, 30000) <= 0 || (watched[1].revents & POLLIN) != 0) {
            return false;
        }
        const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
        if (count <= 0) {
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        return true;
    };
    for (;;) {
        while (pending.find("\r\n\r\n") == std::string::npos) {
            if (pending.size() > kLargestHead || !readMore()) {
                return;
            }
        }
        const auto headEnd = pending.find("\r\n\r\n") + 4;
        const std::string head = pending.substr(0, headEnd);
        pending.erase(0, headEnd);
        const auto lineEnd = head.find("\r\n");
        const std::string line = head.substr(0, lineEnd);
        const auto firstSpace = line.find(' ');
        const auto secondSpace = line.find(' ', firstSpace + 1);
        if (firstSpace == std::string::npos || secondSpace == std::string::npos) {
            return;
        }
        const std::string method = line.substr(0, firstSpace);
        const std::string target = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
        std::string address;
        unsigned port = 0;

        if (method == "CONNECT") {
            const int upstream = endpointFor(hostWithoutPort(target), true, address, port) ? connectTo(address, port) : -1;
            if (upstream < 0) {
                const std::string refused = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
                sendAll(client, refused.data(), refused.size());
                return;
            }
            const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
            sendAll(client, established.data(), established.size());
            sendAll(upstream, pending.data(), pending.size());
            for (;;) {
                pollfd watched[3] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
                if (::poll(watched, 3, -1) <= 0 || (watched[2].revents & POLLIN) != 0) {
                    break;
                }
                const int from = (watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 ? client : upstream;
                const int to = from == client ? upstream : client;
                const ssize_t count = ::recv(from, buffer, sizeof buffer, 0);
                if (count <= 0 || !sendAll(to, buffer, static_cast<std::size_t>(count))) {
                    break;
                }
            }
            ::close(upstream);
            return;
        }

        constexpr std::string_view scheme = "http://";
        if (!target.starts_with(scheme)) {
            return;
        }
        const auto pathStart = target.find('/', scheme.size());
        const std::string host = hostWithoutPort(target.substr(scheme.size(), pathStart - scheme.size()));
        const std::string path = pathStart == std::string::npos ? "/" : target.substr(pathStart);
        std::string forwarded = method + " " + path + line.substr(secondSpace) + "\r\n";
        std::size_t bodyLength = 0;
        for (std::size_t at = lineEnd + 2; at < head.size() - 2;) {
            const auto end = head.find("\r\n", at);
            const std::string header = head.substr(at, end - at);
            at = end + 2;
            const std::string name = header.substr(0, header.find(':'));
            if (g_ascii_strcasecmp(name.c_str(), "Content-Length") == 0) {
                bodyLength = std::stoul(header.substr(name.size() + 1));
            }
            if (g_ascii_strcasecmp(name.c_str(), "Connection") != 0 &&
                g_ascii_strcasecmp(name.c_str(), "Proxy-Connection") != 0 &&
                g_ascii_strcasecmp(name.c_str(), "Keep-Alive") != 0) {
                forwarded += header + "\r\n";
            }
        }
        forwarded += "Connection: close\r\n\r\n";
        while (pending.size() < bodyLength) {
            if (!readMore()) {
                return;
            }
        }
        forwarded += pending.substr(0, bodyLength);
        pending.erase(0, bodyLength);
        const int upstream = endpointFor(host, false, address, port) ? connectTo(address, port) : -1;
        if (upstream < 0) {
            const std::string refused = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
            if (!sendAll(client, refused.data(), refused.size())) {
                return;
            }
            continue;
        }
        bool clientOpen = sendAll(upstream, forwarded.data(), forwarded.size());
        // The answer ends where the site closes its side.
        while (clientOpen) {
            pollfd watched[2] = {{upstream, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            if (::poll(watched, 2, -1) <= 0 || (watched[1].revents & POLLIN) != 0) {
                clientOpen = false;
                break;
            }
            const ssize_t count = ::recv(upstream, buffer, sizeof buffer, 0);
            if (count <= 0) {
                break;
            }
            clientOpen = sendAll(client, buffer, static_cast<std::size_t>(count));
        }
        ::close(upstream);
        if (!clientOpen) {
            return;
        }
    }
}

} // namespace orvane::test
