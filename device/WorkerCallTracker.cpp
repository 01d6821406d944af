#include "device/WorkerCallTracker.h"

#include <QDeadlineTimer>
#include <QSharedPointer>

WorkerCallTracker::Token WorkerCallTracker::begin()
{
    {
        QMutexLocker lock(&m_mutex);
        ++m_running;
    }
    const QSharedPointer<WorkerCallTracker> self = sharedFromThis();
    // An empty pointer whose deleter ends the call: it runs when the last copy goes.
    return Token(nullptr, [self](void *) { self->end(); });
}

void WorkerCallTracker::end()
{
    QMutexLocker lock(&m_mutex);
    if (--m_running == 0)
        m_idle.wakeAll();
}

bool WorkerCallTracker::waitUntilIdle(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_running > 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !m_idle.wait(&m_mutex, static_cast<unsigned long>(left)))
            return m_running == 0;
    }
    return true;
}
