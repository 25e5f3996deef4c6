// SPDX-License-Identifier: MIT
#pragma once

#include <QCoroTask>
#include <QString>

class AppDelegate;
class AppState;

// Once the boards are in, opens the panel and the Settings window and saves what they show
// as PNG files in `directory`, printing each file's path on stdout.
QCoro::Task<> saveScreenshots(AppDelegate *delegate, AppState *state, QString directory);
