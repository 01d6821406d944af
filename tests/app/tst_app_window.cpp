// Main window: dragging by the top band, scale factors, tray wiring.
#include "app/DisplayScalingFactorCalculator.h"
#include "app/MovableWidget.h"
#include "app/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

class TestAppWindow : public QObject
{
    Q_OBJECT
private:
    // Puts the cursor at a global point and sends the window the matching mouse event.
    static void mouse(MovableWidget &w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons,
                      Qt::MouseButton button = Qt::NoButton)
    {
        QCursor::setPos(global);
        QMouseEvent event(type, global - w.position(), global, button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &event);
    }

private slots:
    void dragInTopBandMovesTheWindow()
    {
        MovableWidget w;
        w.setPosition(100, 100);
        w.resize(800, 500);
        mouse(w, QEvent::MouseButtonPress, {300, 120}, Qt::LeftButton, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {330, 130}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(130, 110));
        // The band reaches 50 pixels below the window's top edge, inclusive.
        mouse(w, QEvent::MouseMove, {330, 160}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(130, 140));
        mouse(w, QEvent::MouseMove, {330, 191}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(130, 140));
        mouse(w, QEvent::MouseButtonRelease, {330, 191}, Qt::NoButton, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {330, 150}, Qt::NoButton);
        QCOMPARE(w.position(), QPoint(130, 140));
    }

    void dragBelowBandOrWithOtherButtonsDoesNotMove()
    {
        MovableWidget w;
        w.setPosition(100, 100);
        w.resize(800, 500);
        mouse(w, QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {340, 220}, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {350, 160}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(100, 100));
        // Entering the band moves by this step only, not by the way travelled below it.
        mouse(w, QEvent::MouseMove, {352, 145}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(102, 85));

        mouse(w, QEvent::MouseButtonPress, {200, 100}, Qt::RightButton, Qt::RightButton);
        mouse(w, QEvent::MouseMove, {240, 110}, Qt::RightButton);
        mouse(w, QEvent::MouseMove, {280, 120}, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(w.position(), QPoint(102, 85));
    }

    void scaleFactors_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("font");
        QTest::addColumn<double>("scale");
        QTest::newRow("reference") << 96.0 << 1920 << 1080 << 1.0 << 1.0;
        QTest::newRow("72 dpi clamps the window scale") << 72.0 << 1920 << 1080 << 4.0 / 3.0 << 1.0;
        QTest::newRow("192 dpi") << 192.0 << 1920 << 1080 << 0.5 << 2.0;
        QTest::newRow("2560x1440") << 96.0 << 2560 << 1440 << 4.0 / 3.0 << 1.0;
        QTest::newRow("portrait") << 96.0 << 1080 << 1920 << 1.0 << 1.0;
        QTest::newRow("1366x768: the short side decides") << 96.0 << 1366 << 768 << 768.0 / 1080.0 << 1.0;
        QTest::newRow("1920x1200: the long side decides") << 96.0 << 1920 << 1200 << 1.0 << 1.0;
        QTest::newRow("dpi 0") << 0.0 << 1920 << 1080 << 1.0 << 1.0;
    }

    void scaleFactors()
    {
        QFETCH(double, dpi);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, font);
        QFETCH(double, scale);
        const scaling::Factors f = scaling::compute(dpi, width, height);
        QVERIFY2(qAbs(f.fontScalingFactor - font) < 1e-9, qPrintable(QString::number(f.fontScalingFactor)));
        QCOMPARE(f.scalingFactor, scale);
        // The fixed window holds the scaled root item whole.
        QCOMPARE(scaling::fixedWindowSize(f.scalingFactor), QSize(qRound(800 * scale), qRound(500 * scale)));
    }

    void calculatorFollowsThePrimaryScreen()
    {
        DisplayScalingFactorCalculator calc;
        const QScreen *screen = QGuiApplication::primaryScreen();
        const scaling::Factors expected =
            scaling::compute(screen->logicalDotsPerInch(), screen->geometry().width(), screen->geometry().height());
        QCOMPARE(calc.scalingFactor(), expected.scalingFactor);
        QCOMPARE(calc.fontScalingFactor(), expected.fontScalingFactor);

        // The window takes the fixed size of the scale again on every change of it.
        MovableWidget w;
        w.keepFixedSize(&calc);
        const QSize fixed = scaling::fixedWindowSize(calc.scalingFactor());
        w.setMinimumSize(QSize(10, 10));
        w.setMaximumSize(QSize(10, 10));
        QSignalSpy scaleSpy(&calc, &DisplayScalingFactorCalculator::scalingFactorChanged);
        emit qApp->primaryScreenChanged(QGuiApplication::primaryScreen());
        QCOMPARE(scaleSpy.count(), 1);
        QCOMPARE(w.minimumSize(), fixed);
        QCOMPARE(w.maximumSize(), fixed);
        QCOMPARE(w.size(), fixed);
    }

    void trayMenuShowsAndExits()
    {
        Q_INIT_RESOURCE(calder_resources);
        QWindow window;
        QSystemTrayIcon *icon = installTrayIcon(&window);
        QCOMPARE(icon->toolTip(), QStringLiteral("Calder USB Audio Control Panel"));
        QVERIFY(!icon->icon().pixmap(16, 16).isNull()); // the image exists under its resource path
        const QList<QAction *> actions = icon->contextMenu()->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("&Show"));
        QCOMPARE(actions.at(1)->text(), QStringLiteral("&Exit"));

        actions.at(0)->trigger();
        QVERIFY(window.isVisible());
        window.hide();
        emit icon->activated(QSystemTrayIcon::Context); // any click shows the window
        QVERIFY(window.isVisible());

        QTimer::singleShot(0, actions.at(1), &QAction::trigger);
        QCOMPARE(QCoreApplication::exec(), 0); // "&Exit" ends the event loop
        icon->hide();
    }
};

QTEST_MAIN(TestAppWindow)
#include "tst_app_window.moc"
