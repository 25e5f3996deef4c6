// SPDX-License-Identifier: MIT
#include "AboutWindow.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("About Stavelin"));
    setWindowIcon(QApplication::windowIcon());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(6);

    auto *icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);
    layout->addSpacing(6);

    auto *name = new QLabel(QApplication::applicationDisplayName(), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignHCenter);
    layout->addWidget(name);

    auto *version = new QLabel(tr("Version %1").arg(QApplication::applicationVersion()), this);
    version->setAlignment(Qt::AlignHCenter);
    layout->addWidget(version);
    layout->addSpacing(8);

    auto *credits = new QLabel(tr(Credits), this);
    QFont creditsFont = credits->font();
    creditsFont.setPixelSize(11);
    credits->setFont(creditsFont);
    QPalette secondary = credits->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    credits->setPalette(secondary);
    credits->setAlignment(Qt::AlignHCenter);
    credits->setTextFormat(Qt::PlainText);
    layout->addWidget(credits);

    layout->setSizeConstraint(QLayout::SetFixedSize);
}
