// SPDX-License-Identifier: MIT
#pragma once

#include "LoopbackServer.h"
#include "Store.h"

#include <optional>
#include <string>

namespace sandbox {

// Answers requests for uploaded files, avatars and board backgrounds, which need no
// credentials; nullopt for every other path.
std::optional<Response> serveMedia(const store::Store &store, const std::string &method,
                                   const std::string &path);

} // namespace sandbox
