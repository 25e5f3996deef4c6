// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The one store. (Being filled in.)
class AppState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    explicit AppState(QObject *parent = nullptr);
    static AppState *create(QQmlEngine *, QJSEngine *);
};
