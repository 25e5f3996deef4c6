// SPDX-License-Identifier: MIT
#include "Theme.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QJSEngine>
#include <QPalette>
#include <QPointer>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace theme {

QColor systemColor(Hue hue, bool dark)
{
    // The usual desktop system hues; the dark variants are a little lighter so they keep their
    // contrast on dark backgrounds.
    switch (hue) {
    case Hue::Red:
        return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case Hue::Orange:
        return dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
    case Hue::Yellow:
        return dark ? QColor(255, 214, 10) : QColor(255, 204, 0);
    case Hue::Green:
        return dark ? QColor(50, 215, 75) : QColor(40, 205, 65);
    case Hue::Blue:
        return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
    case Hue::Purple:
        return dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
    case Hue::Pink:
        return dark ? QColor(255, 55, 95) : QColor(255, 45, 85);
    case Hue::Gray:
        return dark ? QColor(152, 152, 157) : QColor(142, 142, 147);
    }
    return {};
}

QString normalizedColorName(const QString &name)
{
    QString base = name.toLower();
    for (const QString &suffix : {u"_dark"_s, u"_light"_s, u"_subtle"_s}) {
        if (base.endsWith(suffix))
            base.chop(suffix.size());
    }
    return base;
}

QColor trelloColor(const std::optional<QString> &name, bool dark)
{
    if (!name)
        return systemColor(Hue::Gray, dark);
    const QString base = normalizedColorName(*name);
    if (base == u"green")
        return systemColor(Hue::Green, dark);
    if (base == u"yellow")
        return systemColor(Hue::Yellow, dark);
    if (base == u"orange")
        return systemColor(Hue::Orange, dark);
    if (base == u"red")
        return systemColor(Hue::Red, dark);
    if (base == u"purple")
        return systemColor(Hue::Purple, dark);
    if (base == u"blue")
        return systemColor(Hue::Blue, dark);
    if (base == u"sky")
        return QColor::fromRgbF(0.4f, 0.7f, 0.9f);
    if (base == u"lime")
        return QColor::fromRgbF(0.7f, 0.85f, 0.3f);
    if (base == u"pink")
        return systemColor(Hue::Pink, dark);
    if (base == u"black") {
        // A neutral grey that stays visible on either background.
        const float level = dark ? 0.62f : 0.22f;
        return QColor::fromRgbF(level, level, level);
    }
    return systemColor(Hue::Gray, dark);
}

QColor trelloLabelTextColor(const std::optional<QString> &name, bool dark)
{
    const QColor onLight = QColor::fromRgbF(0, 0, 0, 0.75f);
    if (!name)
        return Qt::white;
    const QString base = normalizedColorName(*name);
    if (base == u"yellow" || base == u"lime" || base == u"sky")
        return onLight;
    // In the dark appearance "black" is drawn as a light grey, where white text is barely
    // readable; it takes the dark text of the other light chips there.
    if (base == u"black" && dark)
        return onLight;
    return Qt::white;
}

std::optional<QColor> colorFromHex(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    QStringView digits(*text);
    if (digits.startsWith(u'#'))
        digits = digits.mid(1);
    if (digits.size() != 6)
        return std::nullopt;
    // Only plain hex digits: QString::toUInt would also take signs, "0x" and spaces.
    for (const QChar c : digits) {
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex)
            return std::nullopt;
    }
    const uint value = digits.toUInt(nullptr, 16);
    return QColor((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
}

QString mediumDateFormat(const QLocale &locale)
{
    const QString longFormat = locale.dateFormat(QLocale::LongFormat);
    const auto isGap = [](QChar c) {
        return c.isSpace() || c == u',' || c == u'\u060C' || c == u'\uFF0C';
    };
    QString out;
    bool quoted = false;
    bool afterWeekday = false;
    for (qsizetype i = 0; i < longFormat.size();) {
        const QChar c = longFormat.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            afterWeekday = false;
            out += c;
            ++i;
            continue;
        }
        if (!quoted && (c == u'd' || c == u'M')) {
            qsizetype run = 1;
            while (i + run < longFormat.size() && longFormat.at(i + run) == c)
                ++run;
            i += run;
            if (c == u'd' && run >= 3) {
                // The weekday goes, with the separators around it.
                afterWeekday = true;
                while (!out.isEmpty() && isGap(out.back()))
                    out.chop(1);
                continue;
            }
            if (afterWeekday && !out.isEmpty())
                out += u' ';
            afterWeekday = false;
            out += (c == u'M' && run == 4) ? u"MMM"_s : QString(run, c);
            continue;
        }
        ++i;
        if (afterWeekday && !quoted && isGap(c))
            continue;
        if (afterWeekday && !out.isEmpty())
            out += u' ';
        afterWeekday = false;
        out += c;
    }
    while (!out.isEmpty() && isGap(out.back()))
        out.chop(1);
    if (!out.contains(u'M') || !out.contains(u'd'))
        return locale.dateFormat(QLocale::ShortFormat);
    return out;
}

QString shortTimeFormat(const QLocale &locale)
{
    // Some locales (the C locale among them) put seconds into their short time.
    static const QRegularExpression seconds(u"[:.]s{1,2}"_s);
    return locale.timeFormat(QLocale::ShortFormat).remove(seconds);
}

namespace {
struct PaletteColors {
    QColor window, windowText, base, alternateBase, text, button, buttonText, placeholder,
        highlight, highlightedText, light, midlight, mid, dark, shadow, link, linkVisited,
        toolTipBase, toolTipText, disabledText;
};

QPalette paletteFrom(const PaletteColors &c)
{
    QPalette palette;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Window, c.window);
        palette.setColor(group, QPalette::WindowText, off ? c.disabledText : c.windowText);
        palette.setColor(group, QPalette::Base, off ? c.window : c.base);
        palette.setColor(group, QPalette::AlternateBase, c.alternateBase);
        palette.setColor(group, QPalette::Text, off ? c.disabledText : c.text);
        palette.setColor(group, QPalette::Button, c.button);
        palette.setColor(group, QPalette::ButtonText, off ? c.disabledText : c.buttonText);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::PlaceholderText, c.placeholder);
        palette.setColor(group, QPalette::Highlight, off ? c.mid : c.highlight);
        palette.setColor(group, QPalette::HighlightedText, c.highlightedText);
        palette.setColor(group, QPalette::Light, c.light);
        palette.setColor(group, QPalette::Midlight, c.midlight);
        palette.setColor(group, QPalette::Mid, c.mid);
        palette.setColor(group, QPalette::Dark, c.dark);
        palette.setColor(group, QPalette::Shadow, c.shadow);
        palette.setColor(group, QPalette::Link, c.link);
        palette.setColor(group, QPalette::LinkVisited, c.linkVisited);
        palette.setColor(group, QPalette::ToolTipBase, c.toolTipBase);
        palette.setColor(group, QPalette::ToolTipText, c.toolTipText);
    }
    return palette;
}
} // namespace

QPalette lightPalette()
{
    return paletteFrom({
        .window = QColor(0xef, 0xef, 0xf1),
        .windowText = QColor(0x1d, 0x1d, 0x1f),
        .base = Qt::white,
        .alternateBase = QColor(0xf5, 0xf5, 0xf7),
        .text = QColor(0x1d, 0x1d, 0x1f),
        .button = QColor(0xf6, 0xf6, 0xf8),
        .buttonText = QColor(0x1d, 0x1d, 0x1f),
        .placeholder = QColor(0x8a, 0x8a, 0x8e),
        .highlight = QColor(0x00, 0x6b, 0xd6),
        .highlightedText = Qt::white,
        .light = Qt::white,
        .midlight = QColor(0xe3, 0xe3, 0xe6),
        .mid = QColor(0xb8, 0xb8, 0xbd),
        .dark = QColor(0x9a, 0x9a, 0x9f),
        .shadow = QColor(0x76, 0x76, 0x7a),
        .link = QColor(0x00, 0x66, 0xcc),
        .linkVisited = QColor(0x7a, 0x3d, 0xb8),
        .toolTipBase = QColor(0xff, 0xff, 0xf0),
        .toolTipText = QColor(0x1d, 0x1d, 0x1f),
        .disabledText = QColor(0xa0, 0xa0, 0xa5),
    });
}

QPalette darkPalette()
{
    return paletteFrom({
        .window = QColor(0x2b, 0x2b, 0x2e),
        .windowText = QColor(0xee, 0xee, 0xf0),
        .base = QColor(0x1e, 0x1e, 0x20),
        .alternateBase = QColor(0x33, 0x33, 0x36),
        .text = QColor(0xee, 0xee, 0xf0),
        .button = QColor(0x3a, 0x3a, 0x3e),
        .buttonText = QColor(0xee, 0xee, 0xf0),
        .placeholder = QColor(0x8e, 0x8e, 0x93),
        .highlight = QColor(0x0a, 0x84, 0xff),
        .highlightedText = Qt::white,
        .light = QColor(0x5a, 0x5a, 0x5e),
        .midlight = QColor(0x48, 0x48, 0x4c),
        .mid = QColor(0x40, 0x40, 0x44),
        .dark = QColor(0x1c, 0x1c, 0x1e),
        .shadow = Qt::black,
        .link = QColor(0x4d, 0xa3, 0xff),
        .linkVisited = QColor(0xbf, 0x8a, 0xf0),
        .toolTipBase = QColor(0x3a, 0x3a, 0x3e),
        .toolTipText = QColor(0xee, 0xee, 0xf0),
        .disabledText = QColor(0x70, 0x70, 0x75),
    });
}

QString dueText(const QDateTime &due, const QDateTime &now, const QLocale &locale)
{
    // Calendar days, not 24-hour spans, so days of 23 or 25 hours count right.
    const QDateTime dueLocal = due.toLocalTime();
    const QDate dueDay = dueLocal.date();
    const QDate today = now.toLocalTime().date();
    if (dueDay == today)
        return QCoreApplication::translate("Theme", "Today %1")
            .arg(locale.toString(dueLocal.time(), shortTimeFormat(locale)));
    if (dueDay == today.addDays(1))
        return QCoreApplication::translate("Theme", "Tomorrow");
    if (dueDay == today.addDays(-1))
        return QCoreApplication::translate("Theme", "Yesterday");
    return locale.toString(dueDay, mediumDateFormat(locale));
}

} // namespace theme

namespace {

std::optional<QString> nameFrom(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

struct StyleMetrics {
    qreal scale;
    int weight;
};

// Sizes relative to the body text, which is the application font.
StyleMetrics metrics(Theme::FontStyle style)
{
    switch (style) {
    case Theme::LargeTitle:
        return {26.0 / 13, QFont::Normal};
    case Theme::Title:
        return {22.0 / 13, QFont::Normal};
    case Theme::Title2:
        return {17.0 / 13, QFont::Normal};
    case Theme::Title3:
        return {15.0 / 13, QFont::Normal};
    case Theme::Headline:
        return {1.0, QFont::Bold};
    case Theme::Subheadline:
        return {11.0 / 13, QFont::Normal};
    case Theme::Body:
        return {1.0, QFont::Normal};
    case Theme::Callout:
        return {12.0 / 13, QFont::Normal};
    case Theme::Footnote:
    case Theme::Caption:
        return {10.0 / 13, QFont::Normal};
    case Theme::Caption2:
        return {10.0 / 13, QFont::Medium};
    }
    return {1.0, QFont::Normal};
}

QColor withAlpha(QColor color, qreal alpha)
{
    // Whole 8-bit steps, so the colour survives a trip through QML's colour values unchanged.
    color.setAlpha(qRound(color.alpha() * alpha));
    return color.toRgb();
}

} // namespace

Theme::Theme(QObject *parent) : QObject(parent)
{
    updateAppearance();
    if (auto *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

Theme *Theme::instance()
{
    static QPointer<Theme> s_instance;
    if (!s_instance)
        s_instance = new Theme(QCoreApplication::instance());
    return s_instance;
}

Theme *Theme::create(QQmlEngine *, QJSEngine *)
{
    Theme *theme = instance();
    QJSEngine::setObjectOwnership(theme, QJSEngine::CppOwnership);
    return theme;
}

bool Theme::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QCoreApplication::instance()) {
        if (event->type() == QEvent::ApplicationPaletteChange)
            updateAppearance();
        else if (event->type() == QEvent::ApplicationFontChange)
            emit fontsChanged();
    }
    return QObject::eventFilter(watched, event);
}

void Theme::updateAppearance()
{
    const QPalette palette = QGuiApplication::palette();
    const QColor window = palette.color(QPalette::Window);
    const bool dark = window.lightness() < 128;
    const QColor text = palette.color(QPalette::WindowText);

    const QColor accent = palette.color(QPalette::Highlight);
    const QColor accentText = palette.color(QPalette::HighlightedText);
    const QColor secondary = withAlpha(text, dark ? 0.55 : 0.5);
    const QColor tertiary = withAlpha(text, dark ? 0.25 : 0.26);
    const QColor separator = withAlpha(text, dark ? 0.15 : 0.1);
    const QColor textBackground = palette.color(QPalette::Base);

    if (dark == m_dark && accent == m_accent && accentText == m_accentText && text == m_primary &&
        textBackground == m_textBackground && window == m_windowBackground && m_secondary.isValid())
        return;
    m_dark = dark;
    m_accent = accent;
    m_accentText = accentText;
    m_primary = text;
    m_secondary = secondary;
    m_tertiary = tertiary;
    m_separator = separator;
    m_textBackground = textBackground;
    m_windowBackground = window;
    emit appearanceChanged();
}

QFont Theme::font(FontStyle style) const
{
    QFont font = QGuiApplication::font();
    const StyleMetrics m = metrics(style);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * m.scale);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * m.scale)));
    font.setWeight(QFont::Weight(m.weight));
    return font;
}

QFont Theme::withWeight(QFont font, int weight) const
{
    font.setWeight(QFont::Weight(qBound(1, weight, 1000)));
    return font;
}

QColor Theme::trelloColor(const QVariant &name) const
{
    return theme::trelloColor(nameFrom(name), m_dark);
}

QColor Theme::trelloColor(const QVariant &name, bool dark) const
{
    return theme::trelloColor(nameFrom(name), dark);
}

QColor Theme::trelloLabelTextColor(const QVariant &name) const
{
    return theme::trelloLabelTextColor(nameFrom(name), m_dark);
}

QColor Theme::trelloLabelTextColor(const QVariant &name, bool dark) const
{
    return theme::trelloLabelTextColor(nameFrom(name), dark);
}

QVariant Theme::colorFromHex(const QVariant &text) const
{
    const auto color = theme::colorFromHex(nameFrom(text));
    return color ? QVariant::fromValue(*color) : QVariant();
}

QString Theme::colorName(const QVariant &name) const
{
    const std::optional<QString> given = nameFrom(name);
    if (!given || given->isEmpty())
        return QString();
    static const char *const names[][2] = {
        {"green", QT_TRANSLATE_NOOP("Theme", "Green")},   {"yellow", QT_TRANSLATE_NOOP("Theme", "Yellow")},
        {"orange", QT_TRANSLATE_NOOP("Theme", "Orange")}, {"red", QT_TRANSLATE_NOOP("Theme", "Red")},
        {"purple", QT_TRANSLATE_NOOP("Theme", "Purple")}, {"blue", QT_TRANSLATE_NOOP("Theme", "Blue")},
        {"sky", QT_TRANSLATE_NOOP("Theme", "Sky")},       {"lime", QT_TRANSLATE_NOOP("Theme", "Lime")},
        {"pink", QT_TRANSLATE_NOOP("Theme", "Pink")},     {"black", QT_TRANSLATE_NOOP("Theme", "Black")},
    };
    const QString base = theme::normalizedColorName(*given);
    QString text;
    for (const auto &[key, english] : names) {
        if (base == QLatin1StringView(key))
            text = QCoreApplication::translate("Theme", english);
    }
    if (text.isEmpty()) {
        // Not one of the service's colours: its own name, each word capitalised.
        QStringList words = given->split(u' ', Qt::SkipEmptyParts);
        for (QString &word : words)
            word = word.left(1).toUpper() + word.mid(1).toLower();
        return words.join(u' ');
    }
    const QString lower = given->toLower();
    if (lower.endsWith(u"_dark"))
        return QCoreApplication::translate("Theme", "%1 (dark)").arg(text);
    if (lower.endsWith(u"_light"))
        return QCoreApplication::translate("Theme", "%1 (light)").arg(text);
    if (lower.endsWith(u"_subtle"))
        return QCoreApplication::translate("Theme", "%1 (subtle)").arg(text);
    return text;
}

QString Theme::dueText(const QVariant &due, const QVariant &now) const
{
    if (due.typeId() != QMetaType::QDateTime || !due.toDateTime().isValid())
        return {};
    QDateTime reference = QDateTime::currentDateTime();
    if (now.typeId() == QMetaType::QDateTime && now.toDateTime().isValid())
        reference = now.toDateTime();
    return theme::dueText(due.toDateTime(), reference);
}
