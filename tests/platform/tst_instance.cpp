// The running copy's answer to a second start where the process test cannot look: a hidden
// window stays hidden. (Raising a visible one is checked with two real processes in
// tst_app_process.)
#include "platform/InstanceRaiser.h"

#include <QWindow>
#include <QtTest>

class TestAppInstance : public QObject
{
    Q_OBJECT
private slots:
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

        // The same request does reach a visible window (so the wait above was long enough).
        main.show();
        other.requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), &other);
        platform::raiseRunningInstance(QStringLiteral("Raise Test"));
        QTRY_COMPARE(QGuiApplication::focusWindow(), &main);
    }
};

QTEST_MAIN(TestAppInstance)
#include "tst_instance.moc"
