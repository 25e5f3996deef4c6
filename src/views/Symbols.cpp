// SPDX-License-Identifier: MIT
#include "Symbols.h"

#include <QCoreApplication>
#include <QHash>
#include <QJSEngine>
#include <QPainter>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickImageProvider>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

// The one table of symbols: the views' name, and the standard (freedesktop) icon name that
// comes closest. Our own drawing of each is symbols/<standard name>.svg, on a 16-px grid.
struct Entry {
    const char16_t *symbol;
    const char16_t *themeName;
};
constexpr std::array table{
    Entry{u"plus", u"list-add"},
    Entry{u"xmark", u"window-close"},
    Entry{u"xmark.circle.fill", u"edit-clear"},
    Entry{u"magnifyingglass", u"edit-find"},
    Entry{u"chevron.left", u"go-previous"},
    Entry{u"chevron.right", u"go-next"},
    Entry{u"chevron.down", u"go-down"},
    Entry{u"star.fill", u"starred"},
    Entry{u"gearshape", u"preferences-system"},
    Entry{u"key.fill", u"dialog-password"},
    Entry{u"tray", u"folder"},
    Entry{u"arrow.clockwise", u"view-refresh"},
    // The program's own mark: the theme has it once the package has installed it.
    Entry{u"rectangle.split.3x1.fill", u"com.fennelworks.StavelinTrello-symbolic"},
    Entry{u"list.bullet.rectangle", u"view-list"},
    Entry{u"arrow.up.left.and.arrow.down.right", u"view-fullscreen"},
    Entry{u"arrow.up.right.and.arrow.down.left", u"view-restore"},
    Entry{u"ellipsis", u"view-more"},
    // (Adwaita's "appointment-soon" has an orange badge, which tinting would hide.)
    Entry{u"clock", u"alarm"},
    Entry{u"checkmark", u"object-select"},
    Entry{u"checkmark.circle.fill", u"emblem-ok"},
    Entry{u"text.bubble", u"chat-message-new"},
    Entry{u"checklist", u"checkbox-checked"},
    Entry{u"line.3.horizontal", u"list-drag-handle"},
    Entry{u"plus.rectangle.on.rectangle", u"tab-new"},
    Entry{u"paperclip", u"mail-attachment"},
    Entry{u"trash", u"edit-delete"},
    Entry{u"arrow.up.doc", u"document-send"},
    Entry{u"paperplane.fill", u"mail-send"},
    Entry{u"face.smiling", u"face-smile"},
    Entry{u"bell", u"preferences-system-notifications"},
};

const Entry *find(const QString &symbol)
{
    const auto it = std::find_if(table.begin(), table.end(), [&](const Entry &entry) {
        return symbol == QStringView(entry.symbol);
    });
    return it == table.end() ? nullptr : &*it;
}

// Tinting paints every drawn pixel in one colour, which suits only icons drawn in one colour
// (shades of alpha aside). A full-colour icon would turn into a blot, so it counts as absent.
bool singleColour(const QIcon &icon)
{
    constexpr int side = 32;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        icon.paint(&painter, image.rect());
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    int low[3] = {255, 255, 255};
    int high[3] = {0, 0, 0};
    bool drawn = false;
    for (int y = 0; y < side; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < side; ++x) {
            if (qAlpha(line[x]) < 160) {
                continue; // edges blend their colour with nothing
            }
            drawn = true;
            const int channels[3] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x])};
            for (int c = 0; c < 3; ++c) {
                low[c] = std::min(low[c], channels[c]);
                high[c] = std::max(high[c], channels[c]);
            }
        }
    }
    return drawn && high[0] - low[0] <= 48 && high[1] - low[1] <= 48 && high[2] - low[2] <= 48;
}

// The theme's icon of exactly that name. QIcon::fromTheme also accepts a shorter name (for
// "go-previous" a "go"), which would be another picture: its name() tells.
QIcon themeIcon(const QString &name)
{
    QIcon icon = QIcon::fromTheme(name);
    return !icon.isNull() && icon.name() == name && singleColour(icon) ? icon : QIcon();
}

// Draws symbol images for image://symbol/<symbol>/<#AARRGGBB without the #>.
class SymbolImageProvider : public QQuickImageProvider {
public:
    SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override
    {
        const qsizetype slash = id.lastIndexOf(u'/');
        const QColor color = slash < 0 ? QColor() : QColor(u'#' + id.mid(slash + 1));
        // An Image without sourceSize asks for the natural size: the 16-px grid.
        QSize pixels = requestedSize;
        if (pixels.width() <= 0 && pixels.height() <= 0) {
            pixels = QSize(16, 16);
        } else if (pixels.width() <= 0) {
            pixels.setWidth(pixels.height());
        } else if (pixels.height() <= 0) {
            pixels.setHeight(pixels.width());
        }
        QImage image = color.isValid() ? Symbols::render(id.left(slash), pixels, color) : QImage();
        if (size) {
            *size = image.size();
        }
        return image;
    }
};

} // namespace

Symbols::Symbols(QObject *parent) : QObject(parent) {}

Symbols *Symbols::create(QQmlEngine *engine, QJSEngine *)
{
    static QPointer<Symbols> s_instance;
    if (!s_instance) {
        s_instance = new Symbols(QCoreApplication::instance());
    }
    QJSEngine::setObjectOwnership(s_instance, QJSEngine::CppOwnership);
    if (engine && !engine->imageProvider(u"symbol"_s)) {
        engine->addImageProvider(u"symbol"_s, new SymbolImageProvider);
    }
    return s_instance;
}

QUrl Symbols::source(const QString &symbol, const QColor &color) const
{
    return QUrl(u"image://symbol/"_s + symbol + u'/' + color.name(QColor::HexArgb).mid(1));
}

QStringList Symbols::names()
{
    QStringList names;
    for (const Entry &entry : table) {
        names.append(QString::fromUtf16(entry.symbol));
    }
    return names;
}

QString Symbols::themeName(const QString &symbol)
{
    const Entry *entry = find(symbol);
    return entry ? QString::fromUtf16(entry->themeName) : QString();
}

QString Symbols::bundledPath(const QString &symbol)
{
    const Entry *entry = find(symbol);
    return entry ? u":/symbols/"_s + QString::fromUtf16(entry->themeName) + u".svg"_s : QString();
}

Symbols::Icon Symbols::lookUp(const QString &symbol)
{
    // Remembered per theme: the desktop may change its theme, and tests switch themes.
    static QHash<QString, Icon> known;
    static QString knownFor;
    const QString theme = QIcon::themeName() + u'\n' + QIcon::fallbackThemeName() + u'\n' +
                          QIcon::themeSearchPaths().join(u'\n');
    if (theme != knownFor) {
        known.clear();
        knownFor = theme;
    }
    if (const auto it = known.constFind(symbol); it != known.cend()) {
        return *it;
    }
    const Entry *entry = find(symbol);
    if (!entry) {
        return {};
    }
    Icon result;
    const QString name = QString::fromUtf16(entry->themeName);
    // Symbolic icons are the single-colour ones made for tinting; themes that have none often
    // draw their small action icons in one colour under the plain name.
    for (const QString &candidate : QStringList{name + u"-symbolic"_s, name}) {
        if (QIcon icon = themeIcon(candidate); !icon.isNull()) {
            result = {icon, Origin::Theme, candidate};
            break;
        }
    }
    if (result.origin == Origin::None) {
        const QString path = bundledPath(symbol);
        result = {QIcon(path), Origin::Bundled, path};
    }
    known.insert(symbol, result);
    return result;
}

QImage Symbols::render(const QString &symbol, const QSize &pixels, const QColor &color)
{
    const Icon found = lookUp(symbol);
    if (found.origin == Origin::None || pixels.isEmpty()) {
        return {};
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Drawn straight at the device size: a theme's SVG stays sharp at any pixel ratio.
    found.icon.paint(&painter, image.rect(), Qt::AlignCenter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}
