// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The address the browser comes back to after authorization: "stavelin://auth#token=…".
namespace CallbackUrl {

inline constexpr char16_t Scheme[] = u"stavelin";

// Whether the address has our scheme, as written: "STAVELIN:" is not ours.
bool isOurs(QStringView url);

// The token the fragment carries, percent-decoded; nullopt when there is none or it is empty.
// Items are split at "&" before anything is decoded, so an encoded "&" or "=" (%26, %3D)
// stays inside its value. A later token item wins; "=" inside a value is kept. Host and path
// are not checked, and a token in the query does not count.
std::optional<QString> token(const QString &url);

} // namespace CallbackUrl
