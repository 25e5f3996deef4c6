// SPDX-License-Identifier: MIT
// HTTP/1.1 on the wire, as much as the loopback server needs: reading request heads and bodies
// (with a length or in chunks) from a socket, and writing answers.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sandbox::http {

// A request line longer than this (its line end included) is refused with 414.
constexpr size_t kRequestLineLimit = 8192;
// Request line and headers together.
constexpr size_t kHeadLimit = 64 * 1024;

enum class ReadResult { Ok, Closed, TooLong, Malformed };

struct RequestHead {
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers; // as sent

    std::optional<std::string> header(std::string_view name) const; // any case
    // The announced body length: 0 without one, nothing when it can't be read.
    std::optional<size_t> contentLength() const;
    bool chunked() const;
    bool keepAlive() const;
};

// Parses a head without its closing blank line: "GET /x HTTP/1.1\r\nHost: a\r\n".
ReadResult parseHead(std::string_view text, RequestHead &head);

// Reads requests one after another from a connected socket.
class Reader {
public:
    explicit Reader(int socket) : m_socket(socket) {}

    // Waits up to `wait` for a request to begin; then each read may take as long again.
    ReadResult readHead(RequestHead &head, std::chrono::milliseconds wait);
    bool readBody(std::string &body, size_t length);
    bool readChunkedBody(std::string &body, size_t limit);

private:
    bool fill();
    std::optional<std::string> readLine(size_t limit);

    int m_socket;
    int m_waitMs = 5000;
    std::string m_buffer;
};

bool sendAll(int socket, std::string_view data);
std::string statusLine(int status);
// A plain-text answer that closes the connection.
void writeSimple(int socket, int status, std::string_view text);

} // namespace sandbox::http
