// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The small single-colour icons of the views. The views name them by what they show
// ("chevron.left"); each one comes from the desktop's icon theme under its standard name
// ("go-previous"), or from our own drawing of it when the theme has no single-colour icon of
// that name. Either way it is tinted with the colour the view asks for, so it follows the
// palette, light or dark.
//
// QML shows them through `Symbol`, an Image whose source is `Symbols.source(name, color)`:
// an image://symbol/ address that this singleton's image provider draws at the size and pixel
// ratio the Image asks for. Images with the same address and size share one texture.
class Symbols : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    enum class Origin { None, Theme, Bundled };
    Q_ENUM(Origin)

    // Where an icon comes from and which file or theme name it is.
    struct Icon {
        QIcon icon;
        Origin origin = Origin::None;
        QString name; // the theme's name for it, or our own file's path
    };

    explicit Symbols(QObject *parent);
    // Registers the image provider with the engine that asks for the singleton, so every
    // engine that shows a Symbol can draw one.
    static Symbols *create(QQmlEngine *engine, QJSEngine *);

    // The address of a symbol's image in a colour.
    Q_INVOKABLE QUrl source(const QString &symbol, const QColor &color) const;

    // Every symbol the views may name.
    static QStringList names();
    // The standard icon name a symbol is looked up by in the theme; empty for an unknown one.
    static QString themeName(const QString &symbol);
    // Our own drawing of it, in the program's resources.
    static QString bundledPath(const QString &symbol);
    // The theme's icon when it has a single-colour one under that exact name (the "-symbolic"
    // variant first), else ours; Origin::None for an unknown symbol. Remembered per theme.
    static Icon lookUp(const QString &symbol);
    // The symbol in `color`, `pixels` large (device pixels); a null image for an unknown one.
    static QImage render(const QString &symbol, const QSize &pixels, const QColor &color);
};
