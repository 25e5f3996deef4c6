// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sandbox {

// One part of a multipart/form-data body.
struct FormPart {
    std::string name;
    std::optional<std::string> fileName; // present for file parts
    std::string contentType;             // "text/plain" when the part names none
    std::string data;
};

// The boundary parameter of a multipart/form-data content type, or nullopt for any other type.
std::optional<std::string> multipartBoundary(const std::string &contentType);

// Splits a multipart body into its parts. Fails (nullopt) on a body that does not start with
// the boundary, a part without a blank line after its headers, or a missing closing boundary.
std::optional<std::vector<FormPart>> parseMultipart(const std::string &body,
                                                    const std::string &boundary);

} // namespace sandbox
