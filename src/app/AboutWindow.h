// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

// Name, version, icon and credits.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *Credits =
        QT_TR_NOOP("A menu bar companion for Trello boards, lists, and cards.\n"
                   "Not affiliated with Trello or Atlassian.");

    explicit AboutWindow(QWidget *parent = nullptr);
};
