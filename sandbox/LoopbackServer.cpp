// SPDX-License-Identifier: MIT
#include "LoopbackServer.h"
#include "HttpWire.h"
#include "Text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <regex>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sandbox {

namespace {
// How long a connection may stay quiet, before its first request or between two, and how many
// requests it may carry, before the server closes it.
constexpr std::chrono::milliseconds kKeepAliveWait{5000};
constexpr int kKeepAliveMax = 1000;

// On Linux a thread has a nice value of its own.
void lowerThisThreadsPriority()
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}
} // namespace

std::optional<std::string> RecordedRequest::queryValue(const std::string &name) const
{
    for (const auto &[key, value] : query) {
        if (key == name) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> RecordedRequest::header(const std::string &name) const
{
    const auto it = headers.find(lower(name));
    return it == headers.end() ? std::nullopt : std::optional(it->second);
}

std::vector<std::string> RecordedRequest::queryNames() const
{
    std::vector<std::string> names;
    for (const auto &item : query) {
        names.push_back(item.first);
    }
    return names;
}

Response Response::json(std::string body, int status)
{
    Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

Response Response::text(std::string body, int status)
{
    Response response;
    response.status = status;
    response.body = std::move(body);
    response.contentType = "text/plain; charset=utf-8";
    return response;
}

Response Response::truncated(std::string body, size_t keep)
{
    Response response = json(std::move(body));
    response.truncateAfter = keep;
    return response;
}

Response Response::slow(std::string body, std::chrono::milliseconds pause, size_t pieceSize)
{
    Response response = json(std::move(body));
    response.bodyChunkDelay = pause;
    response.bodyChunkSize = std::max<size_t>(pieceSize, 1);
    return response;
}

LoopbackServer::LoopbackServer() = default;

LoopbackServer::~LoopbackServer()
{
    stop();
}

int LoopbackServer::start(int port)
{
    if (m_listener >= 0 || port < 0 || port > 65535) {
        return -1;
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        return -1;
    }
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(listener);
        return -1;
    }
    m_listener = listener;
    m_port = ntohs(address.sin_port);
    m_stopping = false;
    m_thread = std::thread([this] { acceptLoop(); });
    return m_port;
}

void LoopbackServer::stop()
{
    if (!m_thread.joinable()) {
        return;
    }
    m_stopping = true;
    wake();
    m_thread.join();
    std::list<Connection> connections;
    {
        std::lock_guard lock(m_connectionsMutex);
        // Wakes every connection from its read; one that is making an answer ends after it.
        for (const Connection &connection : m_connections) {
            ::shutdown(connection.socket, SHUT_RDWR);
        }
        connections.swap(m_connections);
    }
    for (Connection &connection : connections) {
        connection.thread.join();
        ::close(connection.socket);
    }
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
    m_listener = -1;
    m_wake[0] = m_wake[1] = -1;
}

void LoopbackServer::wake()
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &byte, 1);
}

// Connections are taken here and served each on a thread of its own, which ends when the client
// closes or leaves the connection idle for the keep-alive time; nothing runs while nobody asks.
void LoopbackServer::acceptLoop()
{
    if (m_backgroundPriority) {
        lowerThisThreadsPriority();
    }
    while (!m_stopping) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
            reapConnections();
        }
        if ((fds[0].revents & POLLIN) == 0 || m_stopping) {
            continue;
        }
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            continue;
        }
        // Headers and body go out in separate writes; without this, Nagle's algorithm and the
        // client's delayed acknowledgement add some 40 ms to every answer.
        const int on = 1;
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(m_connectionsMutex);
        Connection &connection = m_connections.emplace_back();
        connection.socket = socket;
        connection.thread = std::thread([this, &connection] {
            serveConnection(connection.socket);
            // The client learns of the end at once; the socket is closed once this thread is
            // joined, so that its number is not reused while stop() may still shut it down.
            ::shutdown(connection.socket, SHUT_RDWR);
            connection.done = true;
            wake();
        });
    }
}

void LoopbackServer::reapConnections()
{
    std::lock_guard lock(m_connectionsMutex);
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if (it->done) {
            it->thread.join();
            ::close(it->socket);
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

void LoopbackServer::serveConnection(int socket)
{
    if (m_backgroundPriority) {
        lowerThisThreadsPriority();
    }
    http::Reader reader(socket);
    for (int served = 0; served < kKeepAliveMax && !m_stopping; ++served) {
        // An idle connection is closed, as the service's edge closes one; the client opens
        // another when it needs it.
        http::RequestHead head;
        switch (reader.readHead(head, kKeepAliveWait)) {
        case http::ReadResult::Ok:
            break;
        case http::ReadResult::Closed:
            return;
        case http::ReadResult::TooLong:
            // As the service's edge does for a URL over about 8.2 KB (and cpp-httplib, with
            // which this server began, at 8,192 bytes).
            http::writeSimple(socket, 414, "URI Too Long");
            return;
        case http::ReadResult::Malformed:
            http::writeSimple(socket, 400, "Bad Request");
            return;
        }
        RecordedRequest recorded;
        recorded.receivedAt = std::chrono::steady_clock::now();
        recorded.method = head.method;
        const size_t question = head.target.find('?');
        recorded.path = percentDecode(head.target.substr(0, question), false);
        if (question != std::string::npos) {
            recorded.rawQuery = head.target.substr(question + 1);
        }
        recorded.query = parseQuery(recorded.rawQuery);
        for (const auto &[name, value] : head.headers) {
            recorded.headers.emplace(lower(name), value);
        }
        const std::optional<size_t> length = head.contentLength();
        if (!head.chunked() && !length) {
            http::writeSimple(socket, 400, "Bad Request");
            return;
        }
        if (length && *length > m_payloadLimit.load()) {
            http::writeSimple(socket, 413, "Payload Too Large");
            return;
        }
        if (lower(recorded.header("expect").value_or("")) == "100-continue" &&
            !http::sendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n")) {
            return;
        }
        const bool bodyRead = head.chunked()
            ? reader.readChunkedBody(recorded.body, m_payloadLimit.load())
            : reader.readBody(recorded.body, *length);
        if (!bodyRead) {
            return;
        }
        const bool keepAlive = head.keepAlive() && served + 1 < kKeepAliveMax;
        if (!respond(socket, std::move(recorded), keepAlive) || !keepAlive) {
            return;
        }
    }
}

bool LoopbackServer::respond(int socket, RecordedRequest recorded, bool keepAlive)
{
    Response response = answer(recorded);
    if (response.echoRequest) {
        response.body += "\n" + recorded.method + " " + recorded.path + "?" + recorded.rawQuery;
    }
    // A delay counts from the request's arrival, as a service's answer time does: making the
    // answer is part of it, not added to it.
    if (response.delay.count() > 0) {
        std::this_thread::sleep_until(recorded.receivedAt + response.delay);
    }
    recorded.answeredAt = std::chrono::steady_clock::now();
    recorded.status = response.status;
    const bool head = recorded.method == "HEAD";
    if (!m_recordsDetails) {
        recorded.rawQuery = {};
        recorded.query = {};
        recorded.headers = {};
        recorded.body = {};
    }
    if (m_recordsRequests) {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(std::move(recorded));
    }
    const bool cut = response.dropConnection || response.truncateAfter.has_value();
    keepAlive = keepAlive && !cut;
    // A dropped connection announces a body a little longer than any it could send.
    const size_t announced = response.body.size() + (response.dropConnection ? 16 : 0);
    std::string headers = http::statusLine(response.status);
    for (const auto &[name, value] : response.headers) {
        headers += name + ": " + value + "\r\n";
    }
    headers += "Content-Type: " + response.contentType + "\r\nContent-Length: " +
               std::to_string(announced) + "\r\n" +
               (keepAlive ? "Keep-Alive: timeout=5, max=1000\r\nConnection: keep-alive\r\n\r\n"
                          : "Connection: close\r\n\r\n");
    if (head || response.dropConnection) {
        return http::sendAll(socket, headers) && keepAlive;
    }
    const size_t limit = std::min(response.body.size(),
                                  response.truncateAfter.value_or(response.body.size()));
    if (response.bodyChunkDelay.count() == 0) {
        return http::sendAll(socket, headers + response.body.substr(0, limit)) && keepAlive;
    }
    if (!http::sendAll(socket, headers)) {
        return false;
    }
    const size_t piece = std::max<size_t>(response.bodyChunkSize, 1);
    for (size_t offset = 0; offset < limit; offset += piece) {
        std::this_thread::sleep_for(response.bodyChunkDelay);
        if (m_stopping ||
            !http::sendAll(socket, std::string_view(response.body)
                                       .substr(offset, std::min(piece, limit - offset)))) {
            return false;
        }
    }
    return keepAlive;
}

std::string LoopbackServer::baseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/1";
}

void LoopbackServer::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void LoopbackServer::route(const std::string &method, const std::string &pathPattern,
                           Response response)
{
    std::lock_guard lock(m_mutex);
    m_rules.push_back({method, pathPattern, std::move(response), false});
}

void LoopbackServer::enqueue(const std::string &method, const std::string &pathPattern,
                             Response response)
{
    std::lock_guard lock(m_mutex);
    m_rules.push_back({method, pathPattern, std::move(response), true});
}

void LoopbackServer::clearScript()
{
    std::lock_guard lock(m_mutex);
    m_rules.clear();
}

std::vector<RecordedRequest> LoopbackServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackServer::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void LoopbackServer::setPayloadLimit(size_t bytes)
{
    m_payloadLimit = bytes;
}

Response LoopbackServer::answer(const RecordedRequest &request)
{
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        // One-shot answers first, in the order they were queued; then standing ones.
        for (const bool once : {true, false}) {
            for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
                if (it->once != once || it->method != request.method ||
                    !std::regex_match(request.path, std::regex(it->pattern))) {
                    continue;
                }
                Response response = it->response;
                if (once) {
                    m_rules.erase(it);
                }
                return response;
            }
        }
        handler = m_handler;
    }
    if (handler) {
        return handler(request);
    }
    return Response::text("no scripted answer for " + request.method + " " + request.path, 501);
}

} // namespace sandbox
