// The running copy's answer to a second start: bring the window forward only when visible.
#include "platform/InstanceRaiser.h"

#include <QWindow>
#include <QtTest>

class TestAppInstance : public QObject
{
    Q_OBJECT
private slots:
    void requestActivatesTheVisibleWindow()
    {
        QWindow main, other;
        const auto listener = platform::listenForRaiseRequests(&main, QStringLiteral("Raise Test"));
        QVERIFY(listener);
        main.show();
        other.show();
        other.requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), &other);

        platform::raiseRunningInstance(QStringLiteral("Another Title")); // nobody listens: no effect
        platform::raiseRunningInstance(QStringLiteral("Raise Test"));
        QTRY_COMPARE(QGuiApplication::focusWindow(), &main);
    }

    void hiddenWindowStaysHidden()
    {
        QWindow main, other;
        const auto listener = platform::listenForRaiseRequests(&main, QStringLiteral("Raise Test"));
        QVERIFY(listener);
        other.show();
        other.requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), &other);

        platform::raiseRunningInstance(QStringLiteral("Raise Test"));
        QTest::qWait(200);
        QVERIFY(!main.isVisible());
        QCOMPARE(QGuiApplication::focusWindow(), &other);
    }

    void listenerForgetsADeletedWindow()
    {
        auto *main = new QWindow();
        const auto listener = platform::listenForRaiseRequests(main, QStringLiteral("Raise Test"));
        QVERIFY(listener);
        main->show();
        delete main;
        platform::raiseRunningInstance(QStringLiteral("Raise Test"));
        QTest::qWait(100); // must not touch the deleted window
    }
};

QTEST_MAIN(TestAppInstance)
#include "tst_app_instance.moc"
