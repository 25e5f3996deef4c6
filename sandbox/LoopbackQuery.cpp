// SPDX-License-Identifier: MIT
// The query and form parsing of the loopback server, apart from the server itself so that the
// request fuzz target covers it without the HTTP library.
#include "LoopbackServer.h"

namespace sandbox {

namespace {
int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}
} // namespace

std::string LoopbackServer::percentDecode(const std::string &text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(plusIsSpace && c == '+' ? ' ' : c);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> LoopbackServer::parseQuery(const std::string &raw)
{
    std::vector<std::pair<std::string, std::string>> items;
    size_t start = 0;
    while (start <= raw.size() && !raw.empty()) {
        size_t end = raw.find('&', start);
        if (end == std::string::npos) {
            end = raw.size();
        }
        const std::string piece = raw.substr(start, end - start);
        if (!piece.empty()) {
            const size_t equals = piece.find('=');
            const std::string name = piece.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : piece.substr(equals + 1);
            items.emplace_back(percentDecode(name, true), percentDecode(value, true));
        }
        start = end + 1;
    }
    return items;
}

} // namespace sandbox
