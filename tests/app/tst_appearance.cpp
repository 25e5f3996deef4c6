// SPDX-License-Identifier: MIT
// The palette follows the desktop's light or dark preference through the real XDG settings
// portal (xdg-desktop-portal with its GTK backend, which reads GNOME's `color-scheme` from
// dconf), changed with `gsettings` as the desktop's own settings would change it.
#include "Appearance.h"
#include "views/Theme.h"

#include <QGuiApplication>
#include <QProcess>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class tst_Appearance : public QObject {
    Q_OBJECT

    static void setScheme(const QString &value)
    {
        QProcess gsettings;
        gsettings.start(QStringLiteral("gsettings"),
                        {QStringLiteral("set"), QStringLiteral("org.gnome.desktop.interface"),
                         QStringLiteral("color-scheme"), value});
        QVERIFY(gsettings.waitForFinished(10000));
        QCOMPARE(gsettings.exitCode(), 0);
    }
    static bool windowIsDark()
    {
        return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
    }
    static std::unique_ptr<QQuickView> controlsWindow(QQmlEngine *engine)
    {
        auto window = std::make_unique<QQuickView>(engine, nullptr);
        window->setSource(QUrl(QStringLiteral(
            "data:text/plain,import QtQuick\nimport QtQuick.Controls\n"
            "Item { width: 200; height: 100\n"
            "  Switch { objectName: \"switch\"; text: \"Launch\" }\n"
            "  TextField { objectName: \"field\"; y: 40 } }")));
        window->show();
        return window;
    }
    // The colour a stock control in `window` would use for `role` (Qt Quick's own palette).
    static QColor controlColor(QObject *window, const char *control, const char *role)
    {
        auto *item = window->findChild<QObject *>(QLatin1String(control));
        auto *palette = item ? item->property("palette").value<QObject *>() : nullptr;
        return palette ? palette->property(role).value<QColor>() : QColor();
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariable("GSETTINGS_BACKEND") != QLatin1String("dconf"))
            QFAIL("run inside scripts/desktop-session.sh: it sets up dconf and the portal");
        setScheme(QStringLiteral("default"));
    }

    void followsThePreferenceWhileRunning()
    {
        const QPalette platform = QGuiApplication::palette();
        Theme *theme = Theme::instance();
        // Windows with stock controls, made as the program makes its panel and Settings
        // window: one before the preference arrives, one after (Qt Quick's style takes the
        // palette in force when a window is made and keeps it).
        QQmlEngine engine;
        auto window = controlsWindow(&engine);
        QVERIFY(window->rootObject());
        Appearance appearance;
        QSignalSpy applied(&appearance, &Appearance::applied);
        appearance.start();
        // The portal is started by the bus on first use; its first answer is "no preference".
        QTRY_VERIFY_WITH_TIMEOUT(applied.count() >= 1, 20000);
        QCOMPARE(applied.last().at(0).value<ColorSchemeWatcher::Preference>(),
                 ColorSchemeWatcher::Preference::NoPreference);
        QCOMPARE(QGuiApplication::palette(), platform);

        setScheme(QStringLiteral("prefer-dark"));
        QTRY_VERIFY_WITH_TIMEOUT(windowIsDark(), 10000);
        QTRY_VERIFY(theme->isDark());
        // Stock controls draw text fields on Base and their text in Text: both must turn.
        const QPalette dark = QGuiApplication::palette();
        QVERIFY(dark.color(QPalette::Base).lightness() < 64);
        QVERIFY(dark.color(QPalette::Text).lightness() > 192);
        QVERIFY(dark.color(QPalette::Disabled, QPalette::Text).lightness() > 64);
        QCOMPARE(controlColor(window->rootObject(), "switch", "windowText"), dark.color(QPalette::WindowText));
        QCOMPARE(controlColor(window->rootObject(), "field", "base"), dark.color(QPalette::Base));
        auto later = controlsWindow(&engine);
        QVERIFY(later->rootObject());
        QCOMPARE(controlColor(later->rootObject(), "switch", "windowText"),
                 dark.color(QPalette::WindowText));
        QCOMPARE(controlColor(later->rootObject(), "field", "base"), dark.color(QPalette::Base));

        setScheme(QStringLiteral("prefer-light"));
        QTRY_VERIFY_WITH_TIMEOUT(!windowIsDark(), 10000);
        QTRY_VERIFY(!theme->isDark());
        QVERIFY(QGuiApplication::palette().color(QPalette::Base).lightness() > 240);
        QCOMPARE(controlColor(window->rootObject(), "field", "text"),
                 QGuiApplication::palette().color(QPalette::Text));

        // Back to "no preference": the platform's palette again, not our light one.
        setScheme(QStringLiteral("default"));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::palette(), platform, 10000);
    }
};

QTEST_MAIN(tst_Appearance)
#include "tst_appearance.moc"
