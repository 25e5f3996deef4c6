// SPDX-License-Identifier: MIT
#include "Emulator.h"

#include "Media.h"
#include "Routes.h"
#include "Seeds.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {
std::vector<std::string> segments(const std::string &path)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (at <= path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > at) {
            out.push_back(path.substr(at, end - at));
        }
        at = end + 1;
    }
    return out;
}

// Parameters may also travel in a form or JSON body; the query comes first.
std::vector<std::pair<std::string, std::string>> parameters(const RecordedRequest &request)
{
    auto params = request.query;
    const std::string type = request.header("content-type").value_or("");
    if (type.rfind("application/x-www-form-urlencoded", 0) == 0) {
        const auto form = LoopbackServer::parseQuery(request.body);
        params.insert(params.end(), form.begin(), form.end());
    } else if (type.rfind("application/json", 0) == 0) {
        const QJsonObject object =
            QJsonDocument::fromJson(QByteArray::fromStdString(request.body)).object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QJsonValue value = it.value();
            std::string text;
            if (value.isString()) {
                text = value.toString().toStdString();
            } else if (value.isBool()) {
                text = value.toBool() ? "true" : "false";
            } else if (value.isDouble()) {
                text = QString::number(value.toDouble(), 'g', 17).toStdString();
            } else if (value.isNull()) {
                text = "null";
            } else {
                continue;
            }
            params.emplace_back(it.key().toStdString(), text);
        }
    }
    return params;
}
} // namespace

Emulator::Emulator(Options options)
    : m_options(std::move(options)), m_server(std::make_unique<LoopbackServer>()),
      m_latencyMs(m_options.latency.count()),
      m_routes(std::make_unique<std::vector<routes::Route>>()),
      m_store(std::make_unique<store::Store>())
{
    routes::addMemberAndBoardRoutes(*m_routes);
    routes::addCardRoutes(*m_routes);
    routes::addCommentRoutes(*m_routes);
    routes::addChecklistRoutes(*m_routes);
    routes::addAttachmentRoutes(*m_routes);
    routes::addSearchRoutes(*m_routes);
    routes::addNotificationRoutes(*m_routes);
    if (m_options.rateLimits) {
        m_limiter.emplace(*m_options.rateLimits);
    }
    switch (m_options.seed) {
    case Seed::Sample:
        seeds::sample(*m_store);
        break;
    case Seed::Empty:
        seeds::empty(*m_store);
        break;
    case Seed::Large:
        seeds::large(*m_store);
        break;
    }
    m_server->setHandler([this](const RecordedRequest &request) { return handle(request); });
    m_server->setBackgroundPriority(m_options.backgroundPriority);
    m_server->setRecordsDetails(m_options.recordsRequestDetails);
    m_server->setRecordsRequests(m_options.recordsRequests);
}

Emulator::~Emulator()
{
    stop();
}

int Emulator::start(int port)
{
    const int bound = m_server->start(port);
    if (bound > 0) {
        std::lock_guard lock(m_mutex);
        m_store->baseUrl = m_server->baseUrl();
    }
    return bound;
}

void Emulator::stop()
{
    m_server->stop();
}

int Emulator::port() const
{
    return m_server->port();
}

std::string Emulator::baseUrl() const
{
    return m_server->baseUrl();
}

void Emulator::setLatency(std::chrono::milliseconds latency)
{
    m_latencyMs = latency.count();
}

void Emulator::setRateLimits(std::optional<RateLimits> limits)
{
    std::lock_guard lock(m_mutex);
    m_options.rateLimits = limits;
    m_limiter.reset();
    if (limits) {
        m_limiter.emplace(*limits);
    }
}

void Emulator::setRateLimit(int requestsPerToken)
{
    std::optional<RateLimits> limits;
    if (requestsPerToken > 0) {
        limits = RateLimits{};
        limits->perToken = requestsPerToken;
    }
    setRateLimits(limits);
}

void Emulator::revokeToken()
{
    std::lock_guard lock(m_mutex);
    m_tokenRevoked = true;
}

bool Emulator::acceptToken(const std::string &token, const std::string &username)
{
    std::lock_guard lock(m_mutex);
    for (const auto &[id, member] : m_store->members) {
        if (member.username == username) {
            m_otherTokens.emplace_back(token, id);
            return true;
        }
    }
    return false;
}

void Emulator::injectFault(const std::string &method, const std::string &pathPattern,
                           Response response, int times)
{
    std::lock_guard lock(m_mutex);
    m_faults.push_back({method, std::regex(pathPattern), std::move(response), std::max(times, 0)});
}

void Emulator::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::vector<RecordedRequest> Emulator::requests() const
{
    return m_server->requests();
}

void Emulator::clearRequests()
{
    m_server->clearRequests();
}

void Emulator::delayAnswers(const std::string &method, const std::string &pathPattern,
                            std::chrono::milliseconds delay, int times)
{
    std::lock_guard lock(m_mutex);
    Response wait;
    wait.delay = delay;
    m_faults.push_back({method, std::regex(pathPattern), std::move(wait), std::max(times, 0), true});
}

std::optional<Emulator::Fault> Emulator::takeFault(const RecordedRequest &request)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if ((it->method != "*" && it->method != request.method) ||
            !std::regex_match(request.path, it->pattern)) {
            continue;
        }
        Fault fault = *it;
        if (it->remaining > 0 && --it->remaining == 0) {
            m_faults.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

Response Emulator::handle(const RecordedRequest &request)
{
    Response response;
    {
        std::lock_guard lock(m_mutex);
        if (auto fault = takeFault(request)) {
            if (fault->realAnswer) {
                response = dispatch(request);
                response.delay += fault->response.delay;
            } else {
                response = std::move(fault->response);
            }
        } else {
            response = dispatch(request);
        }
    }
    // The wait happens outside the lock, so slow answers do not hold up one another.
    response.delay += std::chrono::milliseconds(m_latencyMs.load());
    return response;
}

Response Emulator::dispatch(const RecordedRequest &request)
{
    if (auto media = serveMedia(*m_store, request.method, request.path)) {
        return *media;
    }
    const std::vector<std::string> parts = segments(request.path);
    const auto cannot = [&] {
        return Response::text("Cannot " + request.method + " " + request.path, 404);
    };
    if (parts.size() == 2 && parts.front() == "sandbox") {
        return testRoute(request, parts[1]);
    }
    if (parts.empty() || parts.front() != "1") {
        return cannot();
    }

    auto params = parameters(request);
    const auto value = [&](const char *name) -> std::optional<std::string> {
        for (const auto &[key, text] : params) {
            if (key == name) {
                return text;
            }
        }
        return std::nullopt;
    };
    const auto key = value("key");
    const auto token = value("token");
    if (!key || key->empty() || *key != m_options.apiKey) {
        return Response::text("invalid key", 401);
    }
    if (!token || token->empty()) {
        return Response::text("unauthorized permission requested", 401);
    }
    std::string memberId;
    if (*token == m_options.token && !m_tokenRevoked) {
        memberId = m_store->meId;
    } else {
        for (const auto &[other, owner] : m_otherTokens) {
            if (*token == other) {
                memberId = owner;
            }
        }
        if (memberId.empty()) {
            return Response::text("invalid token", 401);
        }
    }

    // Past the credentials, every answer carries the limits' headers (when they are on).
    std::optional<Response> refused =
        m_limiter ? m_limiter->admit(request.path, *token, memberId) : std::nullopt;
    const auto withLimits = [&](Response response) {
        if (m_limiter) {
            const auto headers = m_limiter->headers(*token, memberId);
            response.headers.insert(response.headers.end(), headers.begin(), headers.end());
        }
        return response;
    };
    if (refused) {
        return withLimits(std::move(*refused));
    }

    const std::vector<std::string> path(parts.begin() + 1, parts.end());
    for (const auto &route : *m_routes) {
        if (route.method != request.method || route.pattern.size() != path.size()) {
            continue;
        }
        std::vector<std::string> ids;
        bool matches = true;
        for (size_t i = 0; i < path.size() && matches; ++i) {
            const std::string &want = route.pattern[i];
            if (want == ":id" || want == "*") {
                ids.push_back(path[i]);
            } else {
                matches = want == path[i];
            }
        }
        if (!matches) {
            continue;
        }
        Response response;
        try {
            for (size_t i = 0, n = 0; i < path.size(); ++i) {
                if (route.pattern[i] == ":id" && !store::Store::isId(ids[n++])) {
                    routes::failText(400, "invalid id");
                } else if (route.pattern[i] == "*") {
                    ++n;
                }
            }
            checkAccess(path, ids, params, memberId);
            routes::Call call{request, *m_store, std::move(ids), std::move(params), memberId};
            response = route.handler(call);
        } catch (const routes::Error &error) {
            response = error.response;
        } catch (const std::exception &) {
            response = Response::text("Internal Server Error", 500);
        }
        return withLimits(std::move(response));
    }
    return withLimits(cannot());
}

// A member who is not on the board behind a request is refused as the service refuses it: a
// card in the path says so for cards, anything else (a board, list, checklist, comment, or a
// list or board named as the destination) in general terms.
void Emulator::checkAccess(const std::vector<std::string> &path, const std::vector<std::string> &ids,
                           const std::vector<std::pair<std::string, std::string>> &params,
                           const std::string &memberId) const
{
    const store::Store &s = *m_store;
    const auto boardOfCard = [&](const std::string &id) -> std::string {
        const auto card = s.cards.find(id);
        return card == s.cards.end() ? std::string() : card->second.idBoard;
    };
    const auto boardOfList = [&](const std::string &id) -> std::string {
        const auto list = s.lists.find(id);
        return list == s.lists.end() ? std::string() : list->second.idBoard;
    };
    const auto refuseUnlessMember = [&](const std::string &boardId, const char *text) {
        const auto board = s.boards.find(boardId);
        if (board != s.boards.end() &&
            !std::count(board->second.memberIds.begin(), board->second.memberIds.end(), memberId)) {
            routes::failText(401, text);
        }
    };
    const std::string first = path.front();
    if (!ids.empty()) {
        const std::string &id = ids.front();
        if (first == "cards") {
            refuseUnlessMember(boardOfCard(id), "unauthorized card permission requested");
        } else if (first == "boards") {
            refuseUnlessMember(id, "unauthorized permission requested");
        } else if (first == "lists") {
            refuseUnlessMember(boardOfList(id), "unauthorized permission requested");
        } else if (const auto checklist = s.checklists.find(id);
                   first == "checklists" && checklist != s.checklists.end()) {
            refuseUnlessMember(checklist->second.idBoard, "unauthorized permission requested");
        } else if (const auto comment = s.comments.find(id);
                   first == "actions" && comment != s.comments.end()) {
            refuseUnlessMember(boardOfCard(comment->second.idCard), "unauthorized permission requested");
        }
    }
    for (const auto &[key, value] : params) {
        if (key == "idBoard") {
            refuseUnlessMember(value, "unauthorized permission requested");
        } else if (key == "idList") {
            refuseUnlessMember(boardOfList(value), "unauthorized permission requested");
        } else if (key == "idCard") {
            refuseUnlessMember(boardOfCard(value), "unauthorized card permission requested");
        }
    }
}

// Routes for tests that drive the program from outside (the end-to-end tests and benchmarks
// talk to the demo's service over HTTP only), beside the service's own, with no credentials:
// GET /sandbox/requests lists what reached the service (method, path and the status it was
// answered, oldest first); POST /sandbox/revoke?board=ID&member=USERNAME takes a member off a
// board, as its admin would; POST /sandbox/notify?type=TYPE&card=ID&from=USERNAME&text=TEXT
// gives the signed-in member a new unread notification, as another member's work would, and
// answers its id.
Response Emulator::testRoute(const RecordedRequest &request, const std::string &name)
{
    if (request.method == "GET" && name == "requests" && m_server) {
        QJsonArray out;
        for (const RecordedRequest &seen : m_server->requests()) {
            if (seen.path.starts_with("/1/")) {
                out.append(QJsonObject{{u"method"_s, json::str(seen.method)},
                                       {u"path"_s, json::str(seen.path)},
                                       {u"status"_s, seen.status}});
            }
        }
        return routes::ok(out);
    }
    if (request.method == "POST" && name == "revoke") {
        const std::string board = request.queryValue("board").value_or("");
        const std::string username = request.queryValue("member").value_or("me");
        for (const auto &[id, member] : m_store->members) {
            if ((username == "me" && id == m_store->meId) || member.username == username) {
                if (const auto it = m_store->boards.find(board); it != m_store->boards.end()) {
                    std::erase(it->second.memberIds, id);
                    return routes::ok(QJsonObject());
                }
            }
        }
        return Response::text("The requested resource was not found.", 404);
    }
    if (request.method == "POST" && name == "notify") {
        const std::string from = request.queryValue("from").value_or("");
        const std::string card = request.queryValue("card").value_or("");
        for (const auto &[id, member] : m_store->members) {
            if (member.username == from && m_store->cards.count(card)) {
                const auto &added = m_store->addNotification(
                    m_store->meId, id, request.queryValue("type").value_or("commentCard"), card,
                    request.queryValue("text").value_or(""));
                return routes::ok(QJsonObject{{u"id"_s, json::str(added.id)}});
            }
        }
        return Response::text("The requested resource was not found.", 404);
    }
    return Response::text("Cannot " + request.method + " " + request.path, 404);
}

void Emulator::revokeBoardAccess(const std::string &boardId, const std::string &username)
{
    const std::string member = memberId(username);
    std::lock_guard lock(m_mutex);
    if (const auto board = m_store->boards.find(boardId); board != m_store->boards.end()) {
        std::erase(board->second.memberIds, member);
    }
}

std::string Emulator::memberId(const std::string &username) const
{
    std::lock_guard lock(m_mutex);
    if (username == "me") {
        return m_store->meId;
    }
    for (const auto &[id, member] : m_store->members) {
        if (member.username == username) {
            return id;
        }
    }
    return {};
}

std::string Emulator::boardId(const std::string &boardName) const
{
    std::lock_guard lock(m_mutex);
    for (const auto &[id, board] : m_store->boards) {
        if (board.name == boardName) {
            return id;
        }
    }
    return {};
}

std::string Emulator::listId(const std::string &boardId, const std::string &listName) const
{
    std::lock_guard lock(m_mutex);
    for (const auto &[id, list] : m_store->lists) {
        if (list.idBoard == boardId && list.name == listName) {
            return id;
        }
    }
    return {};
}

std::string Emulator::cardId(const std::string &listId, const std::string &cardName) const
{
    std::lock_guard lock(m_mutex);
    for (const auto &[id, card] : m_store->cards) {
        if (card.idList == listId && card.name == cardName) {
            return id;
        }
    }
    return {};
}

std::vector<std::pair<std::string, double>> Emulator::cardPositions(const std::string &listId) const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<std::string, double>> out;
    for (const auto *card : m_store->cardsOf(listId, true, false)) {
        out.emplace_back(card->id, card->pos);
    }
    return out;
}

std::vector<std::pair<std::string, double>> Emulator::listPositions(const std::string &boardId) const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<std::string, double>> out;
    for (const auto *list : m_store->listsOf(boardId, true, false)) {
        out.emplace_back(list->id, list->pos);
    }
    return out;
}

void Emulator::edit(const std::function<void(store::Store &)> &change)
{
    std::lock_guard lock(m_mutex);
    change(*m_store);
}

} // namespace sandbox
