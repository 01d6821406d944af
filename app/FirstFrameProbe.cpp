#include "app/FirstFrameProbe.h"

#include <QQuickWindow>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <memory>

namespace {
void report(const char *what, const char *renderer)
{
    const long long ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    // CPU time of all threads so far: a figure that the machine's load disturbs less.
    const long long cpuUs = static_cast<long long>(std::clock()) * 1000000 / CLOCKS_PER_SEC;
    std::printf("%s %lld %lld %s\n", what, ns, cpuUs, renderer);
    std::fflush(stdout);
}

enum Pending { kNone, kFirst, kShown };
} // namespace

void installFirstFrameProbe(QQuickWindow *window)
{
    if (!window || !qEnvironmentVariableIsSet("CALDER_BENCH_FIRST_FRAME"))
        return;
    // frameSwapped comes from the render thread, and more than once: report the first only, and
    // the first after each later show.
    auto pending = std::make_shared<std::atomic_int>(kFirst);
    const char *renderer = QQuickWindow::sceneGraphBackend() == QLatin1String("software") ? "software" : "opengl";
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [pending, renderer] {
            const int which = pending->exchange(kNone);
            if (which != kNone)
                report(which == kFirst ? "calder-first-frame" : "calder-shown-frame", renderer);
        },
        Qt::DirectConnection);
    QObject::connect(window, &QWindow::visibleChanged, window, [pending](bool visible) {
        int none = kNone;
        if (visible)
            pending->compare_exchange_strong(none, kShown);
    });
}
