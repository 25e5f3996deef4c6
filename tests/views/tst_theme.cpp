// SPDX-License-Identifier: MIT
// Label colours, hex colours, due texts and the appearance switch of the Theme.
#include "views/Members.h"
#include "views/Theme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using theme::Hue;

class TestTheme : public QObject {
    Q_OBJECT
private slots:
    void labelColors_data();
    void labelColors();
    void hex_data();
    void hex();
    void dueTexts_data();
    void dueTexts();
    void followsPalette();
    void memberFaces_data();
    void memberFaces();
    void avatarColors();
};

namespace {
std::optional<QString> optional(const QVariant &value)
{
    return value.isValid() ? std::optional(value.toString()) : std::nullopt;
}
QDateTime local(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}
} // namespace

void TestTheme::labelColors_data()
{
    QTest::addColumn<QVariant>("name"); // invalid: no name
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QColor>("text");

    const QColor white(Qt::white);
    const QColor onLight = QColor::fromRgbF(0, 0, 0, 0.75f);
    for (const bool dark : {false, true}) {
        // A named colour, as the row's tag; an invalid name reads as none.
        const auto row = [dark](const char *name, const QColor &color, const QColor &text,
                                bool named = true) {
            QTest::addRow("%s, %s", name, dark ? "dark" : "light")
                << (named ? QVariant(QString::fromUtf8(name)) : QVariant()) << dark << color << text;
        };
        const auto hue = [&](const char *name, Hue h, const QColor &text) {
            row(name, theme::systemColor(h, dark), text);
        };
        const QColor gray = theme::systemColor(Hue::Gray, dark);
        row("no name", gray, white, false);
        for (const char *name : {"", "teal", " red", "_dark", "red_dark_subtle"}) {
            row(name, gray, white); // unknown, untrimmed, only a suffix, suffixes out of order
        }
        // Any case, and shades folded into their hue; which hue a name is comes out of the
        // palette itself, so the rows are the ones that take a rule to get right.
        hue("Green_Dark", Hue::Green, white);
        hue("yellow", Hue::Yellow, onLight);
        hue("orange_light", Hue::Orange, white);
        hue("red_subtle_dark", Hue::Red, white); // suffixes come off in a fixed order, once each
        row("sky_subtle", QColor::fromRgbF(0.4f, 0.7f, 0.9f), onLight);
        row("lime_light", QColor::fromRgbF(0.7f, 0.85f, 0.3f), onLight);
        const float black = dark ? 0.62f : 0.22f;
        row("black_light", QColor::fromRgbF(black, black, black), dark ? onLight : white);
    }
}

void TestTheme::labelColors()
{
    QFETCH(QVariant, name);
    QFETCH(bool, dark);
    QFETCH(QColor, color);
    QFETCH(QColor, text);
    QCOMPARE(theme::trelloColor(optional(name), dark), color);
    QCOMPARE(theme::trelloLabelTextColor(optional(name), dark), text);
}

void TestTheme::hex_data()
{
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<QColor>("color"); // invalid: none

    const QColor boardBlue(0x00, 0x79, 0xbf);
    QTest::newRow("with sign") << QVariant(u"#0079BF"_s) << boardBlue;
    QTest::newRow("without sign, lower case") << QVariant(u"0079bf"_s) << boardBlue;
    QTest::newRow("extremes") << QVariant(u"#ffFF00"_s) << QColor(255, 255, 0);
    QTest::newRow("absent") << QVariant() << QColor();
    QTest::newRow("empty") << QVariant(u""_s) << QColor();
    QTest::newRow("three digits") << QVariant(u"#FFF"_s) << QColor();
    QTest::newRow("eight digits") << QVariant(u"0079BFFF"_s) << QColor();
    QTest::newRow("two signs") << QVariant(u"##0079BF"_s) << QColor();
    QTest::newRow("not hex") << QVariant(u"zz79bf"_s) << QColor();
    // Forms a lenient number parser would take.
    QTest::newRow("0x prefix") << QVariant(u"0x79bf"_s) << QColor();
    QTest::newRow("plus sign") << QVariant(u"+079bf"_s) << QColor();
    QTest::newRow("space") << QVariant(u" 079bf"_s) << QColor();
}

void TestTheme::hex()
{
    QFETCH(QVariant, text);
    QFETCH(QColor, color);
    const std::optional<QColor> parsed = theme::colorFromHex(optional(text));
    QCOMPARE(parsed.has_value(), color.isValid());
    if (parsed) {
        QCOMPARE(*parsed, color);
        QCOMPARE(parsed->alphaF(), 1.0f);
    }
    // QML gets the same answer, with undefined for none.
    QCOMPARE(Theme::instance()->colorFromHex(text).value<QColor>(), color);
}

void TestTheme::dueTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("due");
    QTest::addColumn<QString>("text");

    const QString us = u"en_US"_s;
    const QString de = u"de_DE"_s;
    const QDateTime morning = local(2026, 3, 5, 9, 30);
    const QString lateToday = QLocale(us).toString(QTime(23, 59), QLocale::ShortFormat);
    QTest::newRow("later today") << us << morning << local(2026, 3, 5, 23, 59)
                                 << u"Today "_s + lateToday;
    QTest::newRow("earlier today") << de << morning << local(2026, 3, 5, 0, 0) << u"Today 00:00"_s;
    QTest::newRow("today, C locale without seconds")
        << u"C"_s << morning << local(2026, 3, 5, 15, 7) << u"Today 15:07"_s;
    QTest::newRow("tomorrow at midnight")
        << us << morning << local(2026, 3, 6, 0, 0) << u"Tomorrow"_s;
    QTest::newRow("tomorrow, last minute")
        << us << morning << local(2026, 3, 6, 23, 59) << u"Tomorrow"_s;
    QTest::newRow("yesterday") << de << morning << local(2026, 3, 4, 0, 0) << u"Yesterday"_s;
    QTest::newRow("two days ahead") << us << morning << local(2026, 3, 7, 0, 0) << u"Mar 7, 2026"_s;
    QTest::newRow("two days ago, German")
        << de << morning << local(2026, 3, 3, 23, 59) << u"3. März 2026"_s;
    // Days are local calendar days: 23:30 UTC on the 5th is already the 6th in Berlin.
    QTest::newRow("UTC due, local tomorrow")
        << de << local(2026, 3, 5, 22, 0) << QDateTime(QDate(2026, 3, 5), QTime(23, 30), Qt::UTC)
        << u"Tomorrow"_s;
    QTest::newRow("across the year")
        << us << local(2025, 12, 31, 20, 0) << local(2026, 1, 1, 8, 0) << u"Tomorrow"_s;
    // The day the clocks go forward has 23 hours; 23:45 that day is still tomorrow.
    QTest::newRow("short day") << de << local(2026, 3, 28, 23, 30) << local(2026, 3, 29, 23, 45)
                               << u"Tomorrow"_s;
    QTest::newRow("after the short day")
        << de << local(2026, 3, 28, 23, 30) << local(2026, 3, 30, 0, 15) << u"30. März 2026"_s;
}

void TestTheme::dueTexts()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, due);
    QFETCH(QString, text);
    QCOMPARE(theme::dueText(due, now, QLocale(locale)), text);
}

void TestTheme::followsPalette()
{
    Theme *t = Theme::instance();
    const QPalette original = QGuiApplication::palette();
    QSignalSpy changed(t, &Theme::appearanceChanged);

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    QGuiApplication::setPalette(dark);
    QVERIFY(t->isDark());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(t->windowBackground(), QColor(0x2b, 0x2b, 0x2b));
    QCOMPARE(t->textBackground(), QColor(0x1e, 0x1e, 0x1e));
    QCOMPARE(t->secondary().rgb(), QColor(0xee, 0xee, 0xee).rgb());
    QVERIFY(t->secondary().alphaF() < 0.6f);
    QCOMPARE(t->red(), theme::systemColor(Hue::Red, true));
    QCOMPARE(t->trelloColor(u"black"_s), QColor::fromRgbF(0.62f, 0.62f, 0.62f));

    QGuiApplication::setPalette(original);
    QVERIFY(!t->isDark());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(t->trelloColor(u"black"_s), QColor::fromRgbF(0.22f, 0.22f, 0.22f));

    // Type sizes follow the application font.
    QSignalSpy fonts(t, &Theme::fontsChanged);
    QFont big = QGuiApplication::font();
    big.setPointSizeF(20);
    QGuiApplication::setFont(big);
    QVERIFY(fonts.count() >= 1);
    QCOMPARE(t->bodyFont().pointSizeF(), 20.0);
    QCOMPARE(t->largeTitleFont().pointSizeF(), 40.0);
    QVERIFY(t->caption2Font().pointSizeF() < 20.0);
    QCOMPARE(t->headlineFont().weight(), QFont::Bold);
}

void TestTheme::memberFaces_data()
{
    QTest::addColumn<QVariant>("fullName"); // invalid: absent
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("initials");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("extra spaces") << QVariant(u"  Alpha   Beta  "_s) << u"ab"_s << u"AB"_s
                                  << u"  Alpha   Beta  "_s;
    QTest::newRow("one word") << QVariant(u"alpha"_s) << u"ab"_s << u"AL"_s << u"alpha"_s;
    QTest::newRow("one letter") << QVariant(u"x"_s) << u"ab"_s << u"X"_s << u"x"_s;
    QTest::newRow("three words") << QVariant(u"Ada King Lovelace"_s) << u"ada"_s << u"AK"_s
                                 << u"Ada King Lovelace"_s;
    QTest::newRow("tab is no word break") << QVariant(u"ada\tlove"_s) << u"u"_s << u"AD"_s
                                          << u"ada\tlove"_s;
    QTest::newRow("empty full name") << QVariant(u""_s) << u"grace"_s << u"GR"_s << QString();
    QTest::newRow("no full name") << QVariant() << u"grace"_s << u"GR"_s << u"grace"_s;
    // Whole user-perceived characters: a flag and an accented letter built of two code points.
    QTest::newRow("graphemes") << QVariant(u"\U0001F1E9\U0001F1EA e\u0301clair"_s) << u"u"_s
                               << u"\U0001F1E9\U0001F1EAE\u0301"_s
                               << u"\U0001F1E9\U0001F1EA e\u0301clair"_s;
}

void TestTheme::memberFaces()
{
    QFETCH(QVariant, fullName);
    QFETCH(QString, username);
    QFETCH(QString, initials);
    QFETCH(QString, tooltip);
    TrelloMember member;
    member.id = u"m"_s;
    member.username = username;
    member.fullName = optional(fullName);
    QCOMPARE(members::initials(member), initials);
    QCOMPARE(members::tooltip(member), tooltip);
}

void TestTheme::avatarColors()
{
    // Indices worked out independently; the first id's hash is negative as a signed number,
    // where its magnitude modulo 8 differs from its bits modulo 8.
    QCOMPARE(members::colorIndex(u"4283fefc63f0cd0e873a0000"_s), 1);
    QCOMPARE(members::colorIndex(u"c6d07ef7b77e90d3593ad699"_s), 3);
    QCOMPARE(members::colorIndex(u"5e679b808e6e8828784b30e1"_s), 4);
    QCOMPARE(members::colorIndex(u"\U0001F642x"_s), 6);
    QCOMPARE(members::colorIndex(QString()), 0); // blue

    TrelloMember member;
    member.avatarUrl = u"https://trello-members.s3.amazonaws.com/m/h"_s;
    QCOMPARE(members::pictureURL(member, 18), QUrl(u"https://trello-members.s3.amazonaws.com/m/h/50.png"_s));
    QCOMPARE(members::pictureURL(member, 88), QUrl(u"https://trello-members.s3.amazonaws.com/m/h/170.png"_s));
    member.avatarUrl = u"not a url"_s;
    QVERIFY(members::pictureURL(member, 18).isEmpty());
    member.avatarUrl.reset();
    QVERIFY(members::pictureURL(member, 18).isEmpty());
}

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
