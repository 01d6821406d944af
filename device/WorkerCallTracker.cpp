#include "device/WorkerCallTracker.h"

#include <QSharedPointer>

#include <chrono>

WorkerCallTracker::Token WorkerCallTracker::begin()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_running;
    }
    const QSharedPointer<WorkerCallTracker> self = sharedFromThis();
    // An empty pointer whose deleter ends the call: it runs when the last copy goes.
    return Token(nullptr, [self](void *) { self->end(); });
}

void WorkerCallTracker::end()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (--m_running == 0)
        m_idle.notify_all();
}

bool WorkerCallTracker::waitUntilIdle(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_running == 0; });
}
