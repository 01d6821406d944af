#pragma once
#include <QEnableSharedFromThis>

#include <condition_variable>
#include <memory>
#include <mutex>

// Counts the driver calls that worker threads are making (the ducker page's meter read), so
// that the GUI thread can wait for them before it closes the handle they use or unloads the
// library: a driver does not forgive a handle closed under a running request.
// Standard mutex and condition: ThreadSanitizer sees through them (not through QMutex here).
class WorkerCallTracker : public QEnableSharedFromThis<WorkerCallTracker>
{
public:
    // The call counts as running until the last copy of the token is gone. The token keeps
    // the tracker alive, so a call that outlives its service still ends safely.
    using Token = std::shared_ptr<void>;
    Token begin();

    // True once no call runs; false when `timeoutMs` passed first (0: just look).
    bool waitUntilIdle(int timeoutMs);

private:
    void end();

    std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_running = 0;
};
