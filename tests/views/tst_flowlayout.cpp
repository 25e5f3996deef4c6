// SPDX-License-Identifier: MIT
// FlowLayout: the wrapping arithmetic, then a live layout reacting to its children.
#include "views/FlowLayout.h"

#include <QQuickWindow>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <memory>

class TestFlowLayout : public QObject {
    Q_OBJECT
private slots:
    void arrange_data();
    void arrange();
    void liveItem();
};

using Sizes = QList<QSizeF>;
using Points = QList<QPointF>;
constexpr qreal unbounded = std::numeric_limits<qreal>::infinity();

void TestFlowLayout::arrange_data()
{
    QTest::addColumn<Sizes>("sizes");
    QTest::addColumn<qreal>("maxWidth");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<Points>("positions");

    const QSizeF chip(40, 20);
    QTest::newRow("empty") << Sizes{} << 100.0 << QSizeF(0, 0) << Points{};
    QTest::newRow("no width: one row") << Sizes{chip, chip, chip} << unbounded << QSizeF(128, 20)
                                       << Points{{0, 0}, {44, 0}, {88, 0}};
    QTest::newRow("wraps after two")
        << Sizes{chip, chip, chip} << 100.0 << QSizeF(84, 44) << Points{{0, 0}, {44, 0}, {0, 24}};
    QTest::newRow("exact fit stays")
        << Sizes{chip, chip} << 84.0 << QSizeF(84, 20) << Points{{0, 0}, {44, 0}};
    QTest::newRow("one point short wraps")
        << Sizes{chip, chip} << 83.9 << QSizeF(40, 44) << Points{{0, 0}, {0, 24}};
    QTest::newRow("rows take their tallest child")
        << Sizes{{30, 10}, {30, 25}, {30, 5}} << 70.0 << QSizeF(64, 34)
        << Points{{0, 0}, {34, 0}, {0, 29}};
    // Too wide for any row: it opens its own and overflows; the next child moves on.
    QTest::newRow("oversized child") << Sizes{chip, {150, 10}, chip} << 100.0 << QSizeF(150, 58)
                                     << Points{{0, 0}, {0, 24}, {0, 38}};
    QTest::newRow("oversized first child")
        << Sizes{{150, 10}} << 100.0 << QSizeF(150, 10) << Points{{0, 0}};
}

void TestFlowLayout::arrange()
{
    QFETCH(Sizes, sizes);
    QFETCH(qreal, maxWidth);
    QFETCH(QSizeF, size);
    QFETCH(Points, positions);
    const FlowLayout::Arrangement result = FlowLayout::arrange(sizes, 4, maxWidth);
    QCOMPARE(result.size, size);
    QCOMPARE(result.positions, positions);
}

void TestFlowLayout::liveItem()
{
    QQuickWindow window;
    window.resize(300, 200);
    auto *flow = new FlowLayout(window.contentItem());
    flow->setSpacing(4);
    QList<QQuickItem *> chips;
    for (int i = 0; i < 3; ++i) {
        auto *chip = new QQuickItem(flow);
        chip->setSize(QSizeF(40, 20));
        chips.append(chip);
    }
    window.show();
    QVERIFY(QQuickTest::qWaitForPolish(&window));
    QCOMPARE(QSizeF(flow->implicitWidth(), flow->implicitHeight()), QSizeF(128, 20));
    QCOMPARE(flow->width(), 128.0);

    flow->setWidth(100);
    QVERIFY(QQuickTest::qWaitForPolish(&window));
    QCOMPARE(flow->implicitHeight(), 44.0);
    QCOMPARE(flow->implicitWidth(), 84.0);
    QCOMPARE(chips[2]->position(), QPointF(0, 24));

    // A hidden child takes no place; showing it again brings it back.
    chips[1]->setVisible(false);
    QVERIFY(QQuickTest::qWaitForPolish(&window));
    QCOMPARE(chips[2]->position(), QPointF(44, 0));
    QCOMPARE(flow->implicitHeight(), 20.0);
    chips[1]->setVisible(true);
    chips[0]->setHeight(30);
    QVERIFY(QQuickTest::qWaitForPolish(&window));
    QCOMPARE(chips[2]->position(), QPointF(0, 34));
    QCOMPARE(flow->implicitHeight(), 54.0);

    delete chips.takeFirst();
    QVERIFY(QQuickTest::qWaitForPolish(&window));
    QCOMPARE(chips[0]->position(), QPointF(0, 0));
    QCOMPARE(chips[1]->position(), QPointF(44, 0));
    QCOMPARE(flow->implicitHeight(), 20.0);

    flow->setSpacing(30);
    QVERIFY(QQuickTest::qWaitForPolish(&window));
    QCOMPARE(chips[1]->position(), QPointF(0, 50));
}

QTEST_MAIN(TestFlowLayout)
#include "tst_flowlayout.moc"
