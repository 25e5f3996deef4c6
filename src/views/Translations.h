// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>

class QCoreApplication;

namespace translations {

// Installs the program's texts for `locale` (the user's, from LANGUAGE, LC_ALL, LC_MESSAGES
// or LANG, by default) and Qt's own, where a translation for it exists. English plural forms
// are always there, under every other language. STAVELIN_TRANSLATION names a .qm file to use
// instead of the built-in one (to try a translation out without building it in). Install
// before the first view loads: texts already shown keep their words. Returns the file of the
// program's own translation that was loaded, empty for none.
QString install(QCoreApplication *application, const QLocale &locale = QLocale());

} // namespace translations
