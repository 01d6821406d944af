// Auto-reset events and their notifier.
#include "platform/Event.h"
#include "platform/EventNotifier.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <thread>

Q_DECLARE_METATYPE(HANDLE)

class TestEvents : public QObject
{
    Q_OBJECT
private:
    HANDLE m_event = nullptr;

private slots:
    void initTestCase() { qRegisterMetaType<HANDLE>("HANDLE"); }
    void init()
    {
        m_event = platform::createAutoResetEvent();
        QVERIFY(m_event);
    }
    void cleanup() { platform::closeEvent(m_event); }

    void consumeClearsThePendingSignal()
    {
        QVERIFY(!platform::consumeEvent(m_event));
        QVERIFY(platform::signalEvent(m_event));
        QVERIFY(platform::signalEvent(m_event));
        QVERIFY(platform::consumeEvent(m_event));
        QVERIFY(!platform::consumeEvent(m_event));
        QVERIFY(!platform::signalEvent(nullptr));
        QVERIFY(!platform::consumeEvent(nullptr));
    }

    void signalsBeforeTheNotifierRunsCollapse()
    {
        EventNotifier notifier(m_event);
        QSignalSpy spy(&notifier, &EventNotifier::activated);
        for (int i = 0; i < 10; ++i)
            QVERIFY(platform::signalEvent(m_event));
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<HANDLE>(), m_event);
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!platform::consumeEvent(m_event)); // the notifier took the signal

        QVERIFY(platform::signalEvent(m_event));
        QTRY_COMPARE(spy.count(), 2);
    }

    void disabledNotifierKeepsTheSignal()
    {
        EventNotifier notifier(m_event);
        QSignalSpy spy(&notifier, &EventNotifier::activated);
        notifier.setEnabled(false);
        QVERIFY(!notifier.isEnabled());
        platform::signalEvent(m_event);
        platform::signalEvent(m_event);
        QTest::qWait(50);
        QCOMPARE(spy.count(), 0);
        notifier.setEnabled(true);
        QTRY_COMPARE(spy.count(), 1);
        QTest::qWait(20);
        QCOMPARE(spy.count(), 1);
    }

    // The driver signals from its own threads; the panel must hear it on the GUI thread.
    void activatesOnTheNotifiersThread()
    {
        EventNotifier notifier(m_event);
        QThread *seen = nullptr;
        connect(&notifier, &EventNotifier::activated, this, [&seen] { seen = QThread::currentThread(); });
        std::thread driver([this] { platform::signalEvent(m_event); });
        driver.join();
        QTRY_VERIFY(seen);
        QCOMPARE(seen, QCoreApplication::instance()->thread());
    }
};

QTEST_GUILESS_MAIN(TestEvents)
#include "tst_events.moc"
