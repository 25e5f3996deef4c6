// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The browser finds its way back to the program through the stavelin: URL scheme. An installed
// program ships its desktop entry; a build started from its own build tree has none, so before
// it opens the authorization page it registers a user-level entry that runs this very binary.
namespace urlscheme {

inline const QString Scheme = QStringLiteral("stavelin");
inline const QString DevEntryName = QStringLiteral("com.fennelworks.StavelinTrello.dev.desktop");

// True for a binary inside the build tree it was built in.
bool runsFromBuildTree();

// The desktop entry text for an executable: hidden from menus, handling the scheme.
QString desktopEntry(const QString &executable);

// Writes the entry into `applicationsDir` and makes it the scheme's default handler. Does
// nothing for an installed program. Returns false when the entry could not be written.
bool registerBuildTreeHandler(const QString &applicationsDir = QString());

} // namespace urlscheme
