// SPDX-License-Identifier: MIT
#pragma once

// Small text helpers shared by the server, the multipart parser and the routes.

#include <algorithm>
#include <cctype>
#include <string>

namespace sandbox {

inline std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Without white space and line breaks at both ends.
inline std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace sandbox
