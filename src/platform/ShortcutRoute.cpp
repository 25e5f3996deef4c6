// SPDX-License-Identifier: MIT
#include "ShortcutRoute.h"

#include <QCoreApplication>

QString ShortcutAction::text() const
{
    return QCoreApplication::translate("ShortcutRoute", description);
}

ShortcutAction ShortcutAction::toggle()
{
    return {QStringLiteral("toggle"), QT_TRANSLATE_NOOP("ShortcutRoute", "Show or hide Stavelin")};
}

ShortcutAction ShortcutAction::quickAdd()
{
    return {QStringLiteral("quick-add"), QT_TRANSLATE_NOOP("ShortcutRoute", "Add a card to Trello")};
}
