// SPDX-License-Identifier: MIT
// Runs the QML tests in qml/ against the statically linked Stavelin module.
#include <QCoroQml>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

using namespace Qt::StringLiterals;

Q_IMPORT_QML_PLUGIN(StavelinPlugin)

class Setup : public QObject {
    Q_OBJECT
public slots:
    void applicationAvailable() { QCoro::Qml::registerTypes(); }
    // With Qt 6.4 a static module's files live under qrc:/<URI>/, which is not on the default
    // import path.
    void qmlEngineAvailable(QQmlEngine *engine) { engine->addImportPath(u"qrc:/"_s); }
};

QUICK_TEST_MAIN_WITH_SETUP(views, Setup)

#include "tst_views_qml.moc"
