// eventfd events: descriptor 0 would read as the null handle.
#include "platform/Event.h"

#include <QtTest>

#include <cstdint>
#include <unistd.h>

class TestEventFd : public QObject
{
    Q_OBJECT
private slots:
    void neverDescriptorZero()
    {
        const int savedStdin = ::dup(0);
        QVERIFY(savedStdin > 0);
        ::close(0);
        HANDLE event = platform::createAutoResetEvent();
        ::dup2(savedStdin, 0);
        ::close(savedStdin);

        QVERIFY(event);
        QVERIFY(reinterpret_cast<intptr_t>(event) > 0);
        QVERIFY(platform::signalEvent(event));
        QVERIFY(platform::consumeEvent(event));
        platform::closeEvent(event);
    }
};

QTEST_GUILESS_MAIN(TestEventFd)
#include "tst_eventfd.moc"
