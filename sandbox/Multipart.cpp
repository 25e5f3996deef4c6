// SPDX-License-Identifier: MIT
#include "Multipart.h"
#include "Text.h"

#include <algorithm>
#include <cctype>

namespace sandbox {

namespace {
// A parameter of a header value such as `form-data; name="file"; filename="a b.txt"`.
std::optional<std::string> headerParameter(const std::string &value, const std::string &name)
{
    size_t at = 0;
    while ((at = value.find(';', at)) != std::string::npos) {
        ++at;
        const size_t equals = value.find('=', at);
        if (equals == std::string::npos) {
            return std::nullopt;
        }
        if (lower(trimmed(value.substr(at, equals - at))) != name) {
            continue;
        }
        size_t start = equals + 1;
        if (start < value.size() && value[start] == '"') {
            // Quoted: runs to the next unescaped quote.
            std::string out;
            for (size_t i = start + 1; i < value.size(); ++i) {
                if (value[i] == '\\' && i + 1 < value.size()) {
                    out.push_back(value[++i]);
                } else if (value[i] == '"') {
                    return out;
                } else {
                    out.push_back(value[i]);
                }
            }
            return std::nullopt;
        }
        const size_t end = value.find(';', start);
        return trimmed(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
    }
    return std::nullopt;
}
} // namespace

std::optional<std::string> multipartBoundary(const std::string &contentType)
{
    if (lower(contentType).rfind("multipart/form-data", 0) != 0) {
        return std::nullopt;
    }
    auto boundary = headerParameter(contentType, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > 70) {
        return std::nullopt;
    }
    return boundary;
}

std::optional<std::vector<FormPart>> parseMultipart(const std::string &body,
                                                    const std::string &boundary)
{
    const std::string delimiter = "--" + boundary;
    if (body.compare(0, delimiter.size(), delimiter) != 0) {
        return std::nullopt;
    }
    std::vector<FormPart> parts;
    size_t at = delimiter.size();
    while (true) {
        if (body.compare(at, 2, "--") == 0) {
            return parts; // the closing delimiter
        }
        if (body.compare(at, 2, "\r\n") != 0) {
            return std::nullopt;
        }
        at += 2;
        const size_t headersEnd = body.find("\r\n\r\n", at);
        if (headersEnd == std::string::npos) {
            return std::nullopt;
        }
        FormPart part;
        part.contentType = "text/plain";
        size_t line = at;
        while (line < headersEnd) {
            size_t lineEnd = body.find("\r\n", line);
            lineEnd = std::min(lineEnd, headersEnd);
            const std::string header = body.substr(line, lineEnd - line);
            const size_t colon = header.find(':');
            if (colon != std::string::npos) {
                const std::string name = lower(trimmed(header.substr(0, colon)));
                const std::string value = trimmed(header.substr(colon + 1));
                if (name == "content-disposition") {
                    part.name = headerParameter(value, "name").value_or("");
                    part.fileName = headerParameter(value, "filename");
                } else if (name == "content-type") {
                    part.contentType = value;
                }
            }
            line = lineEnd + 2;
        }
        const size_t dataStart = headersEnd + 4;
        // The data ends at CR LF followed by the next delimiter; the bytes themselves may hold
        // anything, including lone CR LFs and dashes.
        const size_t dataEnd = body.find("\r\n" + delimiter, dataStart);
        if (dataEnd == std::string::npos) {
            return std::nullopt;
        }
        part.data = body.substr(dataStart, dataEnd - dataStart);
        parts.push_back(std::move(part));
        at = dataEnd + 2 + delimiter.size();
    }
}

} // namespace sandbox
