// SPDX-License-Identifier: MIT
// The keyed model turns a whole replacement into the few changes a view needs: a reload in
// which one card changed must redraw one tile, never reset the column.
#include "state/KeyedListModel.h"
#include "model/Models.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestKeyedModel : public QObject {
    Q_OBJECT
private slots:
    void minimalChanges_data();
    void minimalChanges();
    void largeReplacementWithOneChange();
    void rolesAndReset();
};

namespace {
TrelloCard card(const QString &id, const QString &name = QString())
{
    TrelloCard c;
    c.id = id;
    c.name = name.isEmpty() ? u"Card "_s + id : name;
    c.idList = u"l"_s;
    c.idBoard = u"b"_s;
    return c;
}

QList<TrelloCard> cards(const QString &spec)
{
    // "a b c*" : ids, a star marks a changed name
    QList<TrelloCard> result;
    for (const QString &token : spec.split(u' ', Qt::SkipEmptyParts)) {
        const bool changed = token.endsWith(u'*');
        const QString id = changed ? token.chopped(1) : token;
        result.append(card(id, changed ? u"Changed "_s + id : QString()));
    }
    return result;
}
} // namespace

void TestKeyedModel::minimalChanges_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("inserts");
    QTest::addColumn<int>("removes");
    QTest::addColumn<int>("moves");
    QTest::addColumn<int>("changes");

    QTest::newRow("insert in the middle") << "a b c" << "a x b c" << 1 << 0 << 0 << 0;
    QTest::newRow("append two") << "a b" << "a b c d" << 2 << 0 << 0 << 0;
    QTest::newRow("remove a run") << "a b c d e" << "a e" << 0 << 1 << 0 << 0;
    QTest::newRow("remove two runs") << "a b c d e" << "b d" << 0 << 3 << 0 << 0;
    QTest::newRow("move to the front") << "a b c d" << "d a b c" << 0 << 0 << 1 << 0;
    QTest::newRow("move down") << "a b c d" << "b c a d" << 0 << 0 << 2 << 0;
    QTest::newRow("change one") << "a b c" << "a b* c" << 0 << 0 << 0 << 1;
    QTest::newRow("move and change") << "a b c" << "c* a b" << 0 << 0 << 1 << 1;
    QTest::newRow("replace all") << "a b" << "x y" << 1 << 1 << 0 << 0;
    QTest::newRow("clear") << "a b c" << "" << 0 << 1 << 0 << 0;
    QTest::newRow("from empty") << "" << "a b c" << 1 << 0 << 0 << 0;
    QTest::newRow("duplicate ids") << "a a b" << "a b a" << 0 << 0 << 1 << 0;
    QTest::newRow("same") << "a b c" << "a b c" << 0 << 0 << 0 << 0;
}

void TestKeyedModel::minimalChanges()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, inserts);
    QFETCH(int, removes);
    QFETCH(int, moves);
    QFETCH(int, changes);

    KeyedListModel model(QMetaType::fromType<TrelloCard>());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.replace(cards(before));

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    const auto wanted = cards(after);
    model.replace(wanted);

    QCOMPARE(model.count(), wanted.size());
    for (int row = 0; row < model.count(); ++row) {
        QCOMPARE(model.get(row).value<TrelloCard>(), wanted[row]);
    }
    QCOMPARE(reset.count(), 0);
    QCOMPARE(inserted.count(), inserts);
    QCOMPARE(removed.count(), removes);
    QCOMPARE(moved.count(), moves);
    QCOMPARE(changed.count(), changes);
    QVERIFY(model.isLoaded());
}

void TestKeyedModel::largeReplacementWithOneChange()
{
    QList<TrelloCard> records;
    for (int i = 0; i < 5000; ++i) {
        records.append(card(QString::number(i)));
    }
    KeyedListModel model(QMetaType::fromType<TrelloCard>());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.replace(records);
    records[4321].name = u"Renamed"_s;

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy structural(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.replace(records);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex().row(), 4321);
    QCOMPARE(reset.count() + structural.count(), 0);
}

void TestKeyedModel::rolesAndReset()
{
    KeyedListModel model(QMetaType::fromType<TrelloCard>());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(!model.isLoaded());
    TrelloCard c = card(u"c1"_s);
    c.badges = CardBadges{3, 1, 2};
    model.replace(QList<TrelloCard>{c});

    const QHash<int, QByteArray> roles = model.roleNames();
    const auto role = [&](const QByteArray &name) { return roles.key(name, -1); };
    QVERIFY(role("id") == -1); // QML reserves it
    QCOMPARE(model.data(model.index(0), role("recordId")).toString(), u"c1"_s);
    QCOMPARE(model.data(model.index(0), role("name")).toString(), u"Card c1"_s);
    QVERIFY(!model.data(model.index(0), role("due")).isValid()); // absent reads as undefined
    QCOMPARE(model.data(model.index(0), role("badges")).value<CardBadges>().comments, 2);
    QCOMPARE(model.data(model.index(0), role("record")).value<TrelloCard>(), c);
    QCOMPARE(model.indexOf(u"c1"_s), 0);

    QSignalSpy loaded(&model, &KeyedListModel::loadedChanged);
    model.reset();
    QCOMPARE(model.count(), 0);
    QVERIFY(!model.isLoaded());
    QCOMPARE(loaded.count(), 1);
}

QTEST_GUILESS_MAIN(TestKeyedModel)
#include "tst_keyed_model.moc"
