#include "app/FirstFrameProbe.h"

#include <QQuickWindow>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <memory>

void installFirstFrameProbe(QQuickWindow *window)
{
    if (!window || !qEnvironmentVariableIsSet("CALDER_BENCH_FIRST_FRAME"))
        return;
    // frameSwapped comes from the render thread, and more than once: report the first only.
    auto reported = std::make_shared<std::atomic_bool>(false);
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [reported] {
            if (reported->exchange(true))
                return;
            const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count();
            // CPU time of all threads so far: a figure that the machine's load disturbs less.
            const long long cpuUs = static_cast<long long>(std::clock()) * 1000000 / CLOCKS_PER_SEC;
            std::printf("calder-first-frame %lld %lld\n", ns, cpuUs);
            std::fflush(stdout);
        },
        Qt::DirectConnection);
}
