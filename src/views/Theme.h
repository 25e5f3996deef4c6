// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

class QQmlEngine;
class QJSEngine;

// The pure helpers behind the Theme singleton, usable from C++ without an engine. Everything
// that depends on the appearance takes `dark` explicitly.
namespace theme {

enum class Hue { Red, Orange, Yellow, Green, Blue, Purple, Pink, Gray };

// The fixed system hues, in their light and dark variants.
QColor systemColor(Hue hue, bool dark);

// Lower case, then strip "_dark", "_light" and "_subtle" (each once, in that order), so the
// shades of a label colour share their base colour.
QString normalizedColorName(const QString &name);

// Display colour of a label colour name; no name or an unknown one gives gray.
QColor trelloColor(const std::optional<QString> &name, bool dark);

// Text colour that stays readable on trelloColor(name, dark).
QColor trelloLabelTextColor(const std::optional<QString> &name, bool dark);

// "#RRGGBB" or "RRGGBB" (either case) to an opaque colour; anything else gives none.
std::optional<QColor> colorFromHex(const std::optional<QString> &text);

// The locale's medium date pattern ("Mar 5, 2026", "5. März 2026"), derived from its long
// pattern without the weekday and with abbreviated month names.
QString mediumDateFormat(const QLocale &locale);

// The locale's short time pattern, hours and minutes only.
QString shortTimeFormat(const QLocale &locale);

// Complete palettes for a desktop that prefers light or dark: every role of every colour group,
// so stock controls (text fields, switches, menus) follow along with our own views.
QPalette lightPalette();
QPalette darkPalette();

// "Today 3:07 PM", "Tomorrow", "Yesterday" or the medium date, comparing calendar days in
// local time. `now` is passed in so callers (and tests) decide what today is.
QString dueText(const QDateTime &due, const QDateTime &now, const QLocale &locale = QLocale());

} // namespace theme

// Named colours, font styles and the colour/date helpers for QML. Colours follow the
// application palette: the appearance counts as dark when the palette's window colour is dark.
class Theme : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool dark READ isDark NOTIFY appearanceChanged)
    Q_PROPERTY(QColor accent READ accent NOTIFY appearanceChanged)
    Q_PROPERTY(QColor accentText READ accentText NOTIFY appearanceChanged)
    Q_PROPERTY(QColor primary READ primary NOTIFY appearanceChanged)
    Q_PROPERTY(QColor secondary READ secondary NOTIFY appearanceChanged)
    Q_PROPERTY(QColor tertiary READ tertiary NOTIFY appearanceChanged)
    Q_PROPERTY(QColor separator READ separator NOTIFY appearanceChanged)
    Q_PROPERTY(QColor textBackground READ textBackground NOTIFY appearanceChanged)
    Q_PROPERTY(QColor windowBackground READ windowBackground NOTIFY appearanceChanged)
    Q_PROPERTY(QColor red READ red NOTIFY appearanceChanged)
    Q_PROPERTY(QColor orange READ orange NOTIFY appearanceChanged)
    Q_PROPERTY(QColor yellow READ yellow NOTIFY appearanceChanged)
    Q_PROPERTY(QColor green READ green NOTIFY appearanceChanged)
    Q_PROPERTY(QColor blue READ blue NOTIFY appearanceChanged)
    Q_PROPERTY(QColor purple READ purple NOTIFY appearanceChanged)
    Q_PROPERTY(QColor pink READ pink NOTIFY appearanceChanged)
    Q_PROPERTY(QColor gray READ gray NOTIFY appearanceChanged)

    // The service's web address, for texts that send the user there ("… on trello.com.").
    Q_PROPERTY(QString webAddress READ webAddress CONSTANT)
    Q_PROPERTY(QFont largeTitleFont READ largeTitleFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont titleFont READ titleFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont title2Font READ title2Font NOTIFY fontsChanged)
    Q_PROPERTY(QFont title3Font READ title3Font NOTIFY fontsChanged)
    Q_PROPERTY(QFont headlineFont READ headlineFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont subheadlineFont READ subheadlineFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont bodyFont READ bodyFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont calloutFont READ calloutFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont footnoteFont READ footnoteFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont captionFont READ captionFont NOTIFY fontsChanged)
    Q_PROPERTY(QFont caption2Font READ caption2Font NOTIFY fontsChanged)

public:
    enum FontStyle {
        LargeTitle,
        Title,
        Title2,
        Title3,
        Headline,
        Subheadline,
        Body,
        Callout,
        Footnote,
        Caption,
        Caption2
    };
    Q_ENUM(FontStyle)

    // No default argument: Qt 6.4 builds a QML singleton with the default constructor when
    // there is one, ignoring create(), and QML would get a second Theme.
    explicit Theme(QObject *parent);

    // The process-wide instance that QML also gets; owned by C++.
    static Theme *instance();
    static Theme *create(QQmlEngine *, QJSEngine *);

    bool isDark() const { return m_dark; }
    QColor accent() const { return m_accent; }
    QColor accentText() const { return m_accentText; }
    QColor primary() const { return m_primary; }
    QColor secondary() const { return m_secondary; }
    QColor tertiary() const { return m_tertiary; }
    QColor separator() const { return m_separator; }
    QColor textBackground() const { return m_textBackground; }
    QColor windowBackground() const { return m_windowBackground; }
    QColor red() const { return theme::systemColor(theme::Hue::Red, m_dark); }
    QColor orange() const { return theme::systemColor(theme::Hue::Orange, m_dark); }
    QColor yellow() const { return theme::systemColor(theme::Hue::Yellow, m_dark); }
    QColor green() const { return theme::systemColor(theme::Hue::Green, m_dark); }
    QColor blue() const { return theme::systemColor(theme::Hue::Blue, m_dark); }
    QColor purple() const { return theme::systemColor(theme::Hue::Purple, m_dark); }
    QColor pink() const { return theme::systemColor(theme::Hue::Pink, m_dark); }
    QColor gray() const { return theme::systemColor(theme::Hue::Gray, m_dark); }

    static QString webAddress() { return QStringLiteral(STAVELIN_WEB_ADDRESS); }
    Q_INVOKABLE QFont font(Theme::FontStyle style) const;
    // A style in another weight, keeping the binding on the style's property:
    // `font: Theme.withWeight(Theme.captionFont, Font.Bold)`.
    Q_INVOKABLE QFont withWeight(QFont font, int weight) const;
    QFont largeTitleFont() const { return font(LargeTitle); }
    QFont titleFont() const { return font(Title); }
    QFont title2Font() const { return font(Title2); }
    QFont title3Font() const { return font(Title3); }
    QFont headlineFont() const { return font(Headline); }
    QFont subheadlineFont() const { return font(Subheadline); }
    QFont bodyFont() const { return font(Body); }
    QFont calloutFont() const { return font(Callout); }
    QFont footnoteFont() const { return font(Footnote); }
    QFont captionFont() const { return font(Caption); }
    QFont caption2Font() const { return font(Caption2); }

    // QML side of the helpers. An absent value (undefined, null or a non-string) counts as no
    // name. A binding that must follow appearance changes passes Theme.dark itself, since the
    // engine cannot see what C++ reads: `color: Theme.trelloColor(name, Theme.dark)`.
    Q_INVOKABLE QColor trelloColor(const QVariant &name) const;
    Q_INVOKABLE QColor trelloColor(const QVariant &name, bool dark) const;
    Q_INVOKABLE QColor trelloLabelTextColor(const QVariant &name) const;
    Q_INVOKABLE QColor trelloLabelTextColor(const QVariant &name, bool dark) const;
    // A colour, or undefined when the text is no six-digit hex colour.
    Q_INVOKABLE QVariant colorFromHex(const QVariant &text) const;
    // A label colour's name in the user's language ("green_dark": "Green (dark)"); unknown
    // names in title case.
    Q_INVOKABLE QString colorName(const QVariant &name) const;
    // The empty string for an absent or invalid date; `now` defaults to the current time.
    Q_INVOKABLE QString dueText(const QVariant &due, const QVariant &now = QVariant()) const;

signals:
    void appearanceChanged();
    void fontsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateAppearance();

    bool m_dark = false;
    QColor m_accent;
    QColor m_accentText;
    QColor m_primary;
    QColor m_secondary;
    QColor m_tertiary;
    QColor m_separator;
    QColor m_textBackground;
    QColor m_windowBackground;
};
