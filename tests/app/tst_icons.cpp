// SPDX-License-Identifier: MIT
// Icons: every symbol the views name has one, from the icon theme or our own drawing; the
// theme's is taken only under its exact name and when drawn in one colour; each is drawn at
// the size asked for (times the screen's pixel ratio) in the colour asked for; and the tray
// icon stands out from light and dark tray bars.
#include "AppDelegate.h"
#include "views/Symbols.h"

#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <cmath>

Q_IMPORT_QML_PLUGIN(StavelinPlugin)

using namespace Qt::StringLiterals;

namespace {

// Text colours of a light and a dark palette, and a translucent secondary one.
const QColor LightText(0x1d, 0x1d, 0x1f);
const QColor DarkText(0xf2, 0xf2, 0xf7);
const QColor Secondary = QColor::fromRgbF(0.95f, 0.95f, 0.97f, 0.55f);

// The symbol names in the views' QML: a Symbol's `name:` and a button's `symbol:`, with the
// other branch of a condition on the lines that follow.
QSet<QString> symbolsInViews()
{
    static const QRegularExpression literal(u"\"([^\"]*)\""_s);
    static const QRegularExpression symbolStart(u"\\bSymbol\\s*\\{"_s);
    QSet<QString> names;
    QDirIterator files(QStringLiteral(STAVELIN_SOURCE_DIR "/src"), {u"*.qml"_s}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        int depth = 0;
        int symbolDepth = -1; // the depth inside the Symbol being read, if any
        bool continuing = false;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString &raw : lines) {
            const QString line = raw.trimmed();
            const bool inSymbol = symbolDepth >= 0 && depth >= symbolDepth;
            const bool starts = line.startsWith(u"symbol:"_s) || (inSymbol && line.startsWith(u"name:"_s));
            continuing = starts || (continuing && (line.startsWith(u'?') || line.startsWith(u':')));
            if (continuing) {
                for (auto match = literal.globalMatch(line); match.hasNext();) {
                    names.insert(match.next().captured(1));
                }
            }
            if (symbolStart.match(line).hasMatch()) {
                symbolDepth = depth + 1;
            }
            depth += int(line.count(u'{')) - int(line.count(u'}'));
            if (symbolDepth >= 0 && depth < symbolDepth) {
                symbolDepth = -1;
            }
        }
    }
    names.remove(QString());
    return names;
}

// How much of the image is drawn (alpha of at least half), as a share of its area.
double coverage(const QImage &image)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            drawn += qAlpha(image.pixel(x, y)) >= 128;
        }
    }
    return double(drawn) / (image.width() * image.height());
}

// An empty string when every clearly drawn pixel is `color` (alpha scaled by `color`'s own),
// else the first one that is not.
QString offColour(const QImage &rendered, const QColor &color)
{
    const QImage image = rendered.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 96) {
                continue; // too faint for its colour to be exact
            }
            const QColor found = QColor::fromRgba(pixel);
            if (std::abs(found.red() - color.red()) > 4 || std::abs(found.green() - color.green()) > 4 ||
                std::abs(found.blue() - color.blue()) > 4 || qAlpha(pixel) > color.alpha() + 1) {
                return u"(%1, %2) is %3"_s.arg(x).arg(y).arg(found.name(QColor::HexArgb));
            }
        }
    }
    return {};
}

double luminance(const QColor &color)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestIcons : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;

    // Only the themes in `folder`, and `theme` as the desktop's.
    static void useThemes(const QString &folder, const QString &theme)
    {
        QIcon::setThemeSearchPaths({folder});
        QIcon::setFallbackThemeName(u"hicolor"_s);
        QIcon::setThemeName(theme);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid());
        // A theme with an icon for each case of the look-up.
        const QString theme = m_scratch.filePath(u"themes/handmade"_s);
        writeFile(theme + u"/index.theme"_s,
                  "[Icon Theme]\nName=Handmade\nDirectories=scalable/actions\n\n"
                  "[scalable/actions]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        const QByteArray square = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
                                  "<rect width=\"16\" height=\"16\" fill=\"#2e3436\"/></svg>";
        const QByteArray twoColours =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
            "<rect width=\"8\" height=\"16\" fill=\"#cc0000\"/><rect x=\"8\" width=\"8\" height=\"16\" fill=\"#3465a4\"/></svg>";
        writeFile(theme + u"/scalable/actions/go-previous-symbolic.svg"_s, square);
        writeFile(theme + u"/scalable/actions/list-add.svg"_s, square); // no symbolic variant
        writeFile(theme + u"/scalable/actions/edit-find-symbolic.svg"_s, twoColours);
        writeFile(theme + u"/scalable/actions/go.svg"_s, square); // not "go-next"
        QDir().mkpath(m_scratch.filePath(u"none"_s));
    }

    void everySymbolInTheViewsIsKnown()
    {
        const QSet<QString> used = symbolsInViews();
        // The reader of the QML must find them, or this test would pass on nothing.
        QVERIFY2(used.size() >= 25, qPrintable(QStringList(used.values()).join(u", ")));
        const QStringList known = Symbols::names();
        for (const QString &name : used) {
            QVERIFY2(known.contains(name), qPrintable(u"the views name \"%1\", which has no icon"_s.arg(name)));
        }
    }

    // Without any icon theme every symbol is our own drawing, on the grid at any size.
    void bundledDrawings()
    {
        useThemes(m_scratch.filePath(u"none"_s), u"none"_s);
        for (const QString &name : Symbols::names()) {
            const Symbols::Icon icon = Symbols::lookUp(name);
            QCOMPARE(icon.origin, Symbols::Origin::Bundled);
            QVERIFY2(QFile::exists(icon.name), qPrintable(icon.name));
            for (const auto &[pixels, color] : {std::pair{16, LightText}, std::pair{28, DarkText},
                                                std::pair{20, Secondary}}) {
                const QImage image = Symbols::render(name, QSize(pixels, pixels), color);
                QCOMPARE(image.size(), QSize(pixels, pixels));
                const double drawn = coverage(image);
                QVERIFY2(drawn >= 0.02 && drawn <= 0.8,
                         qPrintable(u"%1 covers %2 of its %3 px"_s.arg(name).arg(drawn).arg(pixels)));
                const QString off = offColour(image, color);
                QVERIFY2(off.isEmpty(), qPrintable(name + u": "_s + off));
            }
        }
        QVERIFY(Symbols::render(u"no.such.symbol"_s, QSize(16, 16), LightText).isNull());
    }

    void themeIconsByExactNameAndInOneColour()
    {
        useThemes(m_scratch.filePath(u"themes"_s), u"handmade"_s);
        const auto origin = [](const char16_t *symbol) {
            const Symbols::Icon icon = Symbols::lookUp(QString::fromUtf16(symbol));
            return std::pair{icon.origin, icon.name};
        };
        QCOMPARE(origin(u"chevron.left"), std::pair(Symbols::Origin::Theme, u"go-previous-symbolic"_s));
        QCOMPARE(origin(u"plus"), std::pair(Symbols::Origin::Theme, u"list-add"_s));
        // Two colours would turn into one blot when tinted.
        QCOMPARE(origin(u"magnifyingglass").first, Symbols::Origin::Bundled);
        // "go" is what Qt offers for a missing "go-next": another picture.
        QCOMPARE(origin(u"chevron.right").first, Symbols::Origin::Bundled);

        // The theme's square, tinted, in place of our chevron.
        const QImage image = Symbols::render(u"chevron.left"_s, QSize(24, 24), DarkText);
        QCOMPARE(image.size(), QSize(24, 24));
        QCOMPARE(coverage(image), 1.0);
        QCOMPARE(offColour(image, DarkText), QString());
    }

    // Debian's default theme, as a GNOME desktop uses it; scripts/install-deps.sh installs it.
    void adwaita()
    {
        if (!QFile::exists(u"/usr/share/icons/Adwaita/index.theme"_s)) {
            QFAIL("adwaita-icon-theme is not installed (scripts/install-deps.sh installs it)");
        }
        useThemes(u"/usr/share/icons"_s, u"Adwaita"_s);
        QStringList bundled;
        for (const QString &name : Symbols::names()) {
            const Symbols::Icon icon = Symbols::lookUp(name);
            if (icon.origin != Symbols::Origin::Theme) {
                bundled.append(name);
            }
            const QImage image = Symbols::render(name, QSize(16, 16), LightText);
            QVERIFY2(coverage(image) >= 0.02, qPrintable(name));
            QVERIFY2(offColour(image, LightText).isEmpty(), qPrintable(name));
        }
        // Adwaita has a symbolic icon for every standard name in the table; only the program's
        // own mark is ours (unless the package has put it into the theme).
        bundled.removeAll(u"rectangle.split.3x1.fill"_s);
        QVERIFY2(bundled.isEmpty(), qPrintable(bundled.join(u", ")));
    }

    // A Symbol in QML: through the engine's image provider, drawn for the screen's pixel ratio.
    void symbolInQml()
    {
        useThemes(m_scratch.filePath(u"none"_s), u"none"_s);
        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Stavelin\n"
                          "Symbol { name: \"chevron.left\"; color: \"#c0392b\"; width: 12; height: 12 }",
                          QUrl());
        QQuickWindow window;
        window.resize(12, 12);
        window.setColor(Qt::white);
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *item = qobject_cast<QQuickItem *>(object.get());
        item->setParentItem(window.contentItem());
        QCOMPARE(item->property("status").toInt(), 1); // Image.Ready
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shown = window.grabWindow().convertToFormat(QImage::Format_RGB32);
        const qreal ratio = window.devicePixelRatio();
        QImage expected(shown.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.drawImage(0, 0, Symbols::render(u"chevron.left"_s, QSize(12, 12) * ratio,
                                                    QColor(0xc0, 0x39, 0x2b)));
        }
        // Drawn at the device size, the image is shown pixel for pixel, not scaled.
        QCOMPARE(shown.size(), QSize(12, 12) * ratio);
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor a(shown.pixel(x, y));
                const QColor b(expected.pixel(x, y));
                QVERIFY2(std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                                 std::abs(a.blue() - b.blue()) <= 24,
                         qPrintable(u"(%1, %2) at ratio %3: %4, not %5"_s.arg(x).arg(y).arg(ratio).arg(
                             a.name(), b.name())));
            }
        }
    }

    // Tray bars come in any colour, whatever the program's palette: the icon stays visible
    // on black, white and grey, with the 3:1 contrast asked of graphics.
    void trayIconStandsOut()
    {
        const QIcon icon(AppDelegate::trayIconPath());
        for (const QColor bar : {QColor(Qt::black), QColor(Qt::white), QColor(0x80, 0x80, 0x80),
                                 QColor(0x24, 0x1f, 0x31), QColor(0xf6, 0xf5, 0xf4)}) {
            for (const int side : {16, 22, 24}) {
                QImage image(side, side, QImage::Format_RGB32);
                image.fill(bar);
                {
                    QPainter painter(&image);
                    icon.paint(&painter, image.rect());
                }
                int standing = 0;
                for (int y = 0; y < side; ++y) {
                    for (int x = 0; x < side; ++x) {
                        standing += contrast(QColor(image.pixel(x, y)), bar) >= 3;
                    }
                }
                QVERIFY2(standing >= side * side / 8,
                         qPrintable(u"%1 of %2 px stand out from %3"_s.arg(standing).arg(side * side).arg(bar.name())));
            }
        }
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
