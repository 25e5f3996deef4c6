// SPDX-License-Identifier: MIT
#include "AppState.h"

AppState::AppState(QObject *parent) : QObject(parent) {}

AppState *AppState::create(QQmlEngine *, QJSEngine *)
{
    return nullptr;
}
