// SPDX-License-Identifier: MIT
#include "HttpWire.h"
#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>

#include <poll.h>
#include <sys/socket.h>

namespace sandbox::http {

namespace {
std::string_view trim(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return c > 32 && c < 127 && c != ':' && c != '(' && c != ')' && c != '"';
    });
}

std::optional<size_t> parseSize(std::string_view text, int base)
{
    size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

const char *reason(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 422: return "Unprocessable Entity";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
    }
}
} // namespace

std::optional<std::string> RequestHead::header(std::string_view name) const
{
    const std::string wanted = lower(std::string(name));
    for (const auto &[key, value] : headers) {
        if (lower(key) == wanted) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<size_t> RequestHead::contentLength() const
{
    std::optional<size_t> length;
    for (const auto &[key, value] : headers) {
        if (lower(key) != "content-length") {
            continue;
        }
        const std::optional<size_t> parsed = parseSize(value, 10);
        if (!parsed || (length && *length != *parsed)) {
            return std::nullopt; // two lengths that disagree: which body is meant is unknown
        }
        length = parsed;
    }
    return length.value_or(0);
}

bool RequestHead::chunked() const
{
    return lower(header("transfer-encoding").value_or("")).find("chunked") != std::string::npos;
}

bool RequestHead::keepAlive() const
{
    const std::string connection = lower(header("connection").value_or(""));
    if (version == "HTTP/1.0") {
        return connection.find("keep-alive") != std::string::npos;
    }
    return connection.find("close") == std::string::npos;
}

ReadResult parseHead(std::string_view text, RequestHead &head)
{
    size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
        end = text.size();
    }
    if (end + 2 > kRequestLineLimit) {
        return ReadResult::TooLong;
    }
    const std::string_view line = text.substr(0, end);
    const size_t first = line.find(' ');
    const size_t last = line.rfind(' ');
    if (first == std::string_view::npos || first == last) {
        return ReadResult::Malformed;
    }
    head.method = line.substr(0, first);
    head.target = line.substr(first + 1, last - first - 1);
    head.version = line.substr(last + 1);
    if (!isToken(head.method) || head.target.empty() || head.target.front() != '/' ||
        head.target.find(' ') != std::string::npos ||
        (head.version != "HTTP/1.1" && head.version != "HTTP/1.0")) {
        return ReadResult::Malformed;
    }
    head.headers.clear();
    text.remove_prefix(std::min(text.size(), end + 2));
    while (!text.empty()) {
        size_t next = text.find("\r\n");
        if (next == std::string_view::npos) {
            next = text.size();
        }
        const std::string_view field = text.substr(0, next);
        text.remove_prefix(std::min(text.size(), next + 2));
        const size_t colon = field.find(':');
        if (colon == std::string_view::npos || !isToken(field.substr(0, colon))) {
            return ReadResult::Malformed;
        }
        head.headers.emplace_back(field.substr(0, colon), trim(field.substr(colon + 1)));
    }
    return ReadResult::Ok;
}

bool Reader::fill()
{
    char chunk[64 * 1024];
    for (;;) {
        pollfd fd{m_socket, POLLIN, 0};
        const int ready = ::poll(&fd, 1, m_waitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        const ssize_t count = ::recv(m_socket, chunk, sizeof chunk, 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        m_buffer.append(chunk, static_cast<size_t>(count));
        return true;
    }
}

ReadResult Reader::readHead(RequestHead &head, std::chrono::milliseconds wait)
{
    m_waitMs = static_cast<int>(wait.count());
    size_t end;
    while ((end = m_buffer.find("\r\n\r\n")) == std::string::npos) {
        const size_t lineEnd = m_buffer.find("\r\n");
        if ((lineEnd == std::string::npos ? m_buffer.size() : lineEnd + 2) > kRequestLineLimit) {
            return ReadResult::TooLong;
        }
        if (m_buffer.size() > kHeadLimit) {
            return ReadResult::Malformed;
        }
        const bool empty = m_buffer.empty();
        if (!fill()) {
            return empty ? ReadResult::Closed : ReadResult::Malformed;
        }
    }
    const ReadResult result = parseHead(std::string_view(m_buffer).substr(0, end + 2), head);
    m_buffer.erase(0, end + 4);
    return result;
}

bool Reader::readBody(std::string &body, size_t length)
{
    while (m_buffer.size() < length) {
        if (!fill()) {
            return false;
        }
    }
    body.assign(m_buffer, 0, length);
    m_buffer.erase(0, length);
    return true;
}

std::optional<std::string> Reader::readLine(size_t limit)
{
    size_t end;
    while ((end = m_buffer.find("\r\n")) == std::string::npos) {
        if (m_buffer.size() > limit || !fill()) {
            return std::nullopt;
        }
    }
    std::string line = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 2);
    return line;
}

bool Reader::readChunkedBody(std::string &body, size_t limit)
{
    body.clear();
    for (;;) {
        const std::optional<std::string> line = readLine(1024);
        if (!line) {
            return false;
        }
        const std::string_view sizeText = trim(std::string_view(*line).substr(0, line->find(';')));
        const std::optional<size_t> size = parseSize(sizeText, 16);
        if (!size || *size > limit - std::min(limit, body.size())) {
            return false;
        }
        if (*size == 0) {
            break;
        }
        std::string piece;
        if (!readBody(piece, *size + 2) || !piece.ends_with("\r\n")) {
            return false;
        }
        body.append(piece, 0, *size);
    }
    for (;;) { // trailers, up to the blank line
        const std::optional<std::string> trailer = readLine(kHeadLimit);
        if (!trailer) {
            return false;
        }
        if (trailer->empty()) {
            return true;
        }
    }
}

bool sendAll(int socket, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

std::string statusLine(int status)
{
    return "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
}

void writeSimple(int socket, int status, std::string_view text)
{
    sendAll(socket, statusLine(status) + "Content-Type: text/plain; charset=utf-8\r\n" +
                        "Content-Length: " + std::to_string(text.size()) +
                        "\r\nConnection: close\r\n\r\n" + std::string(text));
}

} // namespace sandbox::http
