// SPDX-License-Identifier: MIT
#include "LoopbackServer.h"
#include "Text.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <regex>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace sandbox {

namespace {
// httplib parses multipart bodies itself and then keeps no raw body, and refuses form bodies
// over 8 KB (413). Requests are recorded byte for byte and form bodies may be long, as the
// service's are, so those content types are hidden from httplib until the body is read.
constexpr const char *kHiddenContentType = "X-Loopback-Content-Type";

// Once per thread. On Linux a thread has a nice value of its own; elsewhere this does nothing.
void lowerThisThreadsPriority()
{
#if defined(__linux__)
    thread_local bool lowered = false;
    if (!lowered) {
        lowered = true;
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    }
#endif
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

LoopbackServer::LoopbackServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->new_task_queue = [] { return new httplib::ThreadPool(24); };
    m_server->set_keep_alive_max_count(1000);
    // Headers and body go out in separate writes; without this, Nagle's algorithm and the
    // client's delayed acknowledgement add some 40 ms to every answer.
    m_server->set_tcp_nodelay(true);
    m_server->set_payload_max_length(256u * 1024 * 1024);
    // httplib refuses a request line over 8,192 bytes with 414, as the service's edge refuses
    // URLs over about 8.2 KB; it says so in a line of text rather than an empty body.
    m_server->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request &, httplib::Response &res) {
            if (res.status != 414) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            res.set_content("URI Too Long", "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }));
    m_server->set_pre_routing_handler([](const httplib::Request &req, httplib::Response &) {
        if (req.is_multipart_form_data() ||
            req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) ==
                0) {
            // The request object is ours to edit at this point; httplib only hands it out const.
            auto &headers = const_cast<httplib::Request &>(req).headers;
            const std::string original = req.get_header_value("Content-Type");
            headers.erase("Content-Type");
            headers.emplace("Content-Type", "application/octet-stream");
            headers.emplace(kHiddenContentType, original);
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto serve = [this](const httplib::Request &req, httplib::Response &res) {
        if (m_backgroundPriority) {
            lowerThisThreadsPriority();
        }
        RecordedRequest recorded;
        recorded.receivedAt = std::chrono::steady_clock::now();
        recorded.method = req.method;
        recorded.path = req.path;
        const size_t question = req.target.find('?');
        if (question != std::string::npos) {
            recorded.rawQuery = req.target.substr(question + 1);
        }
        recorded.query = parseQuery(recorded.rawQuery);
        const bool hidden = req.has_header(kHiddenContentType);
        for (const auto &[name, value] : req.headers) {
            const std::string key = lower(name);
            if (hidden && key == "content-type") {
                continue;
            }
            recorded.headers.emplace(key == lower(kHiddenContentType) ? "content-type" : key,
                                     value);
        }
        recorded.body = req.body;

        Response response = answer(recorded);
        if (response.echoRequest) {
            response.body += "\n" + recorded.method + " " + recorded.path + "?" + recorded.rawQuery;
        }
        // A delay counts from the request's arrival, as a service's answer time does: making
        // the answer is part of it, not added to it.
        if (response.delay.count() > 0) {
            std::this_thread::sleep_until(recorded.receivedAt + response.delay);
        }
        recorded.answeredAt = std::chrono::steady_clock::now();
        recorded.status = response.status;
        if (!m_recordsDetails) {
            recorded.rawQuery = {};
            recorded.query = {};
            recorded.headers = {};
            recorded.body = {};
        }
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(std::move(recorded));
        }
        res.status = response.status;
        for (const auto &[name, value] : response.headers) {
            res.set_header(name, value);
        }
        if (response.dropConnection) {
            res.set_content_provider(
                response.body.size() + 16, response.contentType,
                [](size_t, size_t, httplib::DataSink &) { return false; });
            return;
        }
        if (response.truncateAfter || response.bodyChunkDelay.count() > 0) {
            const auto body = std::make_shared<std::string>(std::move(response.body));
            const size_t limit = std::min(body->size(), response.truncateAfter.value_or(body->size()));
            const size_t piece = std::max<size_t>(response.bodyChunkSize, 1);
            const auto pause = response.bodyChunkDelay;
            res.set_content_provider(
                body->size(), response.contentType,
                [body, limit, piece, pause](size_t offset, size_t, httplib::DataSink &sink) {
                    if (offset >= limit) {
                        return false; // closes the connection short of the announced length
                    }
                    if (pause.count() > 0) {
                        std::this_thread::sleep_for(pause);
                    }
                    const size_t count = std::min(piece, limit - offset);
                    return sink.write(body->data() + offset, count);
                });
            return;
        }
        res.set_content(response.body, response.contentType);
    };
    m_server->Get(".*", serve);
    m_server->Post(".*", serve);
    m_server->Put(".*", serve);
    m_server->Delete(".*", serve);
    m_server->Patch(".*", serve);
}

LoopbackServer::~LoopbackServer()
{
    stop();
}

int LoopbackServer::start(int port)
{
    if (port == 0) {
        m_port = m_server->bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    }
    if (m_port < 0) {
        return -1;
    }
    m_thread = std::thread([this] {
        if (m_backgroundPriority) {
            lowerThisThreadsPriority();
        }
        m_server->listen_after_bind();
    });
    while (!m_server->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return m_port;
}

void LoopbackServer::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
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
    m_server->set_payload_max_length(bytes);
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
