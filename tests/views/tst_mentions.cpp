// SPDX-License-Identifier: MIT
// @mentions: which typed text is a mention, which members it offers in which order, and how a
// mention of a member renders (and where it must not).
#include "state/KeyedListModel.h"
#include "views/Markdown.h"
#include "views/Mentions.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMentions : public QObject {
    Q_OBJECT
private slots:
    void typed_data();
    void typed();
    void offered();
    void rendered_data();
    void rendered();
    void renderingFollowsMembers();
};

namespace {
TrelloMember member(const QString &username, std::optional<QString> fullName)
{
    TrelloMember m;
    m.id = u"id-"_s + username;
    m.username = username;
    m.fullName = std::move(fullName);
    return m;
}
QStringList usernames(const MentionCompleter &completer)
{
    QStringList out;
    for (int row = 0; row < completer.rowCount(); ++row) {
        out << completer.data(completer.index(row), MentionCompleter::UsernameRole).toString();
    }
    return out;
}
markdown::Style style()
{
    return {Qt::blue, Qt::gray, Qt::gray, Qt::lightGray, Qt::cyan};
}
} // namespace

void TestMentions::typed_data()
{
    QTest::addColumn<QString>("text"); // '|' marks the cursor
    QTest::addColumn<int>("at");

    QTest::newRow("just the @") << u"@|"_s << 0;
    QTest::newRow("after a space") << u"hi @ad|"_s << 3;
    QTest::newRow("cursor inside the name") << u"hi @a|da"_s << 3;
    QTest::newRow("in brackets") << u"(@ad|"_s << 1;
    QTest::newRow("on a new line") << u"x\n@Ad_1|"_s << 2;
    QTest::newRow("e-mail address") << u"ada@ex|"_s << -1;
    QTest::newRow("double @") << u"@@ad|"_s << -1;
    QTest::newRow("past a space") << u"@ad |"_s << -1;
    QTest::newRow("other characters") << u"@ad-|"_s << -1;
    QTest::newRow("no @") << u"ada|"_s << -1;
    QTest::newRow("cursor before the @") << u"|@ad"_s << -1;
}

void TestMentions::typed()
{
    QFETCH(QString, text);
    QFETCH(int, at);
    const qsizetype cursor = text.indexOf(u'|');
    text.remove(cursor, 1);
    QCOMPARE(mentions::typedAt(text, cursor), at);
}

// What a completer bound to a field offers as the user types: by the start of the user name or
// of the full name first, then by a later word of the full name, in any case; a change of the
// members follows; the current row wraps and starts over with each change.
void TestMentions::offered()
{
    KeyedListModel *model = KeyedListModel::forType<TrelloMember>(this);
    model->replace(QList<TrelloMember>{member(u"adalindqvist"_s, u"Ada Lindqvist"_s),
                                       member(u"marcobellini"_s, u"Marco Bellini"_s),
                                       member(u"priyaraman"_s, u"Priya Raman"_s),
                                       member(u"rosa_k"_s, std::nullopt)});
    MentionCompleter completer;
    completer.setMembers(model);
    const auto type = [&](const QString &text) {
        completer.setText(text);
        completer.setCursorPosition(int(text.size()));
    };

    type(u"Thanks "_s);
    QCOMPARE(completer.typedAt(), -1);
    QCOMPARE(completer.count(), 0);
    type(u"Thanks @"_s);
    QCOMPARE(completer.typedAt(), 7);
    QCOMPARE(usernames(completer),
             (QStringList{u"adalindqvist"_s, u"marcobellini"_s, u"priyaraman"_s, u"rosa_k"_s}));
    type(u"Thanks @ad"_s);
    QCOMPARE(completer.typed(), u"ad"_s);
    QCOMPARE(usernames(completer), QStringList{u"adalindqvist"_s});
    QCOMPARE(completer.data(completer.index(0), MentionCompleter::NameRole).toString(), u"Ada Lindqvist"_s);
    QCOMPARE(completer.completion(0), u"@adalindqvist "_s);
    type(u"Thanks @LIND"_s);
    QCOMPARE(usernames(completer), QStringList{u"adalindqvist"_s});
    type(u"Thanks @r"_s); // Rosa by her user name before Priya by her second name
    QCOMPARE(usernames(completer), (QStringList{u"rosa_k"_s, u"priyaraman"_s}));
    completer.move(1);
    QCOMPARE(completer.currentIndex(), 1);
    completer.move(1);
    QCOMPARE(completer.currentIndex(), 0);
    completer.move(-1);
    QCOMPARE(completer.currentIndex(), 1);
    type(u"Thanks @zz"_s);
    QCOMPARE(completer.count(), 0);
    QCOMPARE(completer.completion(0), QString());

    // A member who joins meanwhile is offered at once; the current row starts over.
    type(u"Thanks @r"_s);
    completer.move(1);
    QSignalSpy counted(&completer, &MentionCompleter::countChanged);
    model->replace(QList<TrelloMember>{member(u"adalindqvist"_s, u"Ada Lindqvist"_s),
                                       member(u"priyaraman"_s, u"Priya Raman"_s),
                                       member(u"rhea"_s, u"Rhea Stone"_s), member(u"rosa_k"_s, std::nullopt)});
    QCOMPARE(usernames(completer), (QStringList{u"rhea"_s, u"rosa_k"_s, u"priyaraman"_s}));
    QCOMPARE(completer.currentIndex(), 0);
    QVERIFY(!counted.isEmpty());
    // The cursor moved away from the mention: nothing offered.
    completer.setCursorPosition(3);
    QCOMPARE(completer.typedAt(), -1);
    QCOMPARE(completer.count(), 0);
}

void TestMentions::rendered_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chips");
    QTest::addColumn<QString>("shown"); // a piece that must be in the rich text as it is

    QTest::newRow("in a sentence") << u"Thanks @adalindqvist!"_s << 1 << u"&nbsp;</span>!"_s;
    QTest::newRow("any case, in bold, twice") << u"**@AdaLindqvist** and @adalindqvist."_s << 2 << u"</span></b>"_s;
    QTest::newRow("in a list and a table")
        << u"- ask @marcobellini\n\n| who |\n|---|\n| @marcobellini |"_s << 2 << u"\u2022\u00a0ask "_s;
    QTest::newRow("not a member") << u"ask @unknown"_s << 0 << u"ask @unknown"_s;
    QTest::newRow("longer than a member's name") << u"@adalindqvist2"_s << 0 << u"@adalindqvist2"_s;
    QTest::newRow("in a code span") << u"`@adalindqvist`"_s << 0 << u"@adalindqvist</span>"_s;
    QTest::newRow("in a code block") << u"```\n@adalindqvist\n```"_s << 0 << u"@adalindqvist</pre>"_s;
    QTest::newRow("in a link") << u"[@adalindqvist](https://example.com)"_s << 0 << u">@adalindqvist</a>"_s;
    QTest::newRow("in an e-mail address") << u"write to x@adalindqvist.example"_s << 0 << u"adalindqvist.example"_s;
    QTest::newRow("a name that is markup") << u"@marco_b"_s << 1 << u"&lt;b&gt;Marco&amp;nbsp;&lt;/b&gt;"_s;
}

// Each mention of a member is a chip with the member's name, escaped and unbroken; anything
// else stays as written.
void TestMentions::rendered()
{
    QFETCH(QString, text);
    QFETCH(int, chips);
    QFETCH(QString, shown);
    const QHash<QString, QString> known{{u"adalindqvist"_s, u"Ada Lindqvist"_s},
                                        {u"marcobellini"_s, u"Marco Bellini"_s},
                                        {u"marco_b"_s, u"<b>Marco&nbsp;</b>"_s}};
    const QString html = markdown::toRichText(text, style(), known);
    const QString chip = u"<span style=\"background-color:%1"_s.arg(QColor(Qt::cyan).name());
    QCOMPARE(html.count(chip), chips);
    QVERIFY2(html.contains(shown), qPrintable(html));
    if (text.contains(u"adalindqvist"_s) && chips > 0) {
        QVERIFY2(html.contains(u"&nbsp;Ada&nbsp;Lindqvist&nbsp;</span>"_s), qPrintable(html));
        QVERIFY2(!html.contains(u"@adalindqvist"_s, Qt::CaseInsensitive), qPrintable(html));
    }
}

// A view's rendering shows the members' names once they are known, and a new name when it
// changes (not the old rendering from the cache).
void TestMentions::renderingFollowsMembers()
{
    KeyedListModel *model = KeyedListModel::forType<TrelloMember>(this);
    MarkdownRendering rendering;
    rendering.setText(u"Over to @priyaraman"_s);
    rendering.setMembers(model);
    QVERIFY(rendering.isReady());
    QVERIFY(rendering.richText().contains(u"@priyaraman"_s));
    model->replace(QList<TrelloMember>{member(u"priyaraman"_s, u"Priya Raman"_s)});
    QVERIFY2(rendering.richText().contains(u"&nbsp;Priya&nbsp;Raman&nbsp;"_s), qPrintable(rendering.richText()));
    model->replace(QList<TrelloMember>{member(u"priyaraman"_s, u"Priya R."_s)});
    QVERIFY2(rendering.richText().contains(u"&nbsp;Priya&nbsp;R.&nbsp;"_s), qPrintable(rendering.richText()));
    // Another view of the same text and members comes from the cache, the same.
    MarkdownRendering again;
    again.setMembers(model);
    again.setText(rendering.text());
    QCOMPARE(again.richText(), rendering.richText());
}

QTEST_MAIN(TestMentions)
#include "tst_mentions.moc"
