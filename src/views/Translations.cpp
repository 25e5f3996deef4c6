// SPDX-License-Identifier: MIT
#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

namespace translations {

namespace {

QTranslator *installed(QCoreApplication *application, std::unique_ptr<QTranslator> translator)
{
    QTranslator *kept = translator.release();
    kept->setParent(application);
    QCoreApplication::installTranslator(kept);
    return kept;
}

} // namespace

QString install(QCoreApplication *application, const QLocale &locale)
{
    // Translators are searched newest first: the plural forms of the English texts
    // ("1 card", "2 cards") are installed first, so any other language wins over them.
    auto plurals = std::make_unique<QTranslator>();
    if (plurals->load(u":/i18n/stavelin_en.qm"_s)) {
        installed(application, std::move(plurals));
    }

    QString loaded;
    auto own = std::make_unique<QTranslator>();
    const QString chosen = qEnvironmentVariable("STAVELIN_TRANSLATION");
    if (chosen.isEmpty() ? own->load(locale, u"stavelin"_s, u"_"_s, u":/i18n"_s) : own->load(chosen)) {
        loaded = own->filePath();
        // English is the source language: its file holds nothing but the plural forms.
        if (loaded != u":/i18n/stavelin_en.qm"_s) {
            installed(application, std::move(own));
        }
    }

    // Qt's own texts (the file dialog's, the text fields' context menus), when the system
    // has them for this language: "qt" names the catalogue of all its modules.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, u"qt"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installed(application, std::move(qt));
    }
    return loaded;
}

} // namespace translations
