// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sandbox {

// One request as it arrived, with the query items in the order they were sent.
struct RecordedRequest {
    std::string method;
    std::string path;     // decoded path, e.g. "/1/members/me"
    std::string rawQuery; // exactly as sent, still percent-encoded
    std::vector<std::pair<std::string, std::string>> query;
    std::multimap<std::string, std::string> headers; // names lower-cased
    std::string body;
    std::chrono::steady_clock::time_point receivedAt;
    std::chrono::steady_clock::time_point answeredAt;
    int status = 0; // what it was answered

    std::optional<std::string> queryValue(const std::string &name) const;
    std::optional<std::string> header(const std::string &name) const;
    std::vector<std::string> queryNames() const;
};

// What the server answers.
struct Response {
    int status = 200;
    std::string body;
    std::string contentType = "application/json; charset=utf-8";
    std::chrono::milliseconds delay{0};
    // Sends the status line and headers, then closes the connection before the body.
    bool dropConnection = false;
    std::vector<std::pair<std::string, std::string>> headers;
    // Announces the whole body but sends only its first `truncateAfter` bytes, then closes.
    std::optional<size_t> truncateAfter;
    // Sends the body in pieces of `bodyChunkSize` bytes with this pause before each piece.
    std::chrono::milliseconds bodyChunkDelay{0};
    size_t bodyChunkSize = 256;
    // Appends the request line, query included, to the body, as some error pages do.
    bool echoRequest = false;

    static Response json(std::string body, int status = 200);
    static Response text(std::string body, int status);
    // A 200 JSON answer cut off after `keep` bytes.
    static Response truncated(std::string body, size_t keep);
    // A 200 JSON answer that trickles out, one piece every `pause`.
    static Response slow(std::string body, std::chrono::milliseconds pause, size_t pieceSize = 64);
};

// A real HTTP/1.1 server on 127.0.0.1 and a free port, a thread per open connection. It records
// every request and answers through a handler; without one it plays back scripted answers,
// matched by method and a path regular expression, one-shot answers before standing ones.
class LoopbackServer {
public:
    using Handler = std::function<Response(const RecordedRequest &)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    // Binds to loopback only; port 0 picks a free one. Returns the bound port, or -1.
    int start(int port = 0);
    void stop();
    int port() const { return m_port; }
    // "http://127.0.0.1:<port>/1", the REST base URL clients use.
    std::string baseUrl() const;

    void setHandler(Handler handler);
    // A standing answer for every matching request.
    void route(const std::string &method, const std::string &pathPattern, Response response);
    // An answer for the next matching request only; queued answers are used in order.
    void enqueue(const std::string &method, const std::string &pathPattern, Response response);
    void clearScript();

    std::vector<RecordedRequest> requests() const;
    void clearRequests();
    // Request bodies above this size are refused with 413 before they are read in full.
    void setPayloadLimit(size_t bytes);
    // Runs the server's threads at a low priority (Linux: nice 10), for a server that stands
    // in for a remote service inside the client's own process: the client's work comes first,
    // as it would if the service ran elsewhere. Set before start().
    void setBackgroundPriority(bool on) { m_backgroundPriority = on; }
    // Off: the record of a request keeps its method, path and status only, not its query,
    // headers and body (a long-running demo would otherwise keep every upload).
    void setRecordsDetails(bool on) { m_recordsDetails = on; }
    // Off: requests() stays empty.
    void setRecordsRequests(bool on) { m_recordsRequests = on; }

    // Splits and percent-decodes a raw query ("a=1&b=x%20y"), keeping the order.
    static std::vector<std::pair<std::string, std::string>> parseQuery(const std::string &raw);
    static std::string percentDecode(const std::string &text, bool plusIsSpace);

private:
    struct Rule {
        std::string method;
        std::string pattern;
        Response response;
        bool once = false;
    };
    struct Connection {
        int socket = -1;
        std::thread thread;
        std::atomic<bool> done = false;
    };
    Response answer(const RecordedRequest &request);
    void acceptLoop();
    void serveConnection(int socket);
    // Answers one request; false when the connection is to close.
    bool respond(int socket, RecordedRequest recorded, bool keepAlive);
    void reapConnections();
    void wake();

    bool m_backgroundPriority = false;
    bool m_recordsDetails = true;
    bool m_recordsRequests = true;
    std::atomic<size_t> m_payloadLimit = 256u * 1024 * 1024;
    std::atomic<bool> m_stopping = false;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    std::mutex m_connectionsMutex;
    std::list<Connection> m_connections;
    int m_port = -1;
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::vector<Rule> m_rules;
    std::vector<RecordedRequest> m_requests;
};

} // namespace sandbox
