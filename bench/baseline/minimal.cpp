// Baseline for bench/run: the least a Qt Quick program does (one window, one Rectangle), built
// with the same Qt, compiler and flags as the panel. It reports its first frame the way the
// panel's probe does (app/FirstFrameProbe.cpp) so both are timed by the same clock.
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickView view;
    view.setResizeMode(QQuickView::SizeViewToRootObject);
    // CALDER_BENCH_MINIMAL_TEXT: the variant with one Text, a reference for what text costs.
    view.setSource(QUrl(qEnvironmentVariableIsSet("CALDER_BENCH_MINIMAL_TEXT") ? QStringLiteral("qrc:/minimal_text.qml")
                                                                               : QStringLiteral("qrc:/minimal.qml")));
    view.setFlags(Qt::Window | Qt::FramelessWindowHint);
    // Beside the panel's window (50, 50), so that both can run on one display.
    bool xSet = false;
    const int x = qEnvironmentVariableIntValue("CALDER_BENCH_MINIMAL_X", &xSet);
    view.setPosition(xSet ? x : 50, 50);
    view.setTitle(QStringLiteral("calder-bench-minimal"));

    if (qEnvironmentVariableIsSet("CALDER_BENCH_FIRST_FRAME")) {
        static std::atomic_bool reported{false};
        QObject::connect(
            &view, &QQuickWindow::frameSwapped, &view,
            [] {
                if (reported.exchange(true))
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

    // CALDER_BENCH_MINIMAL_REPAINT_HZ: recolour the Rectangle this often, so that the cost of
    // drawing frames of this window size is known apart from what the panel draws in them.
    QTimer repaint;
    const int hz = qEnvironmentVariableIntValue("CALDER_BENCH_MINIMAL_REPAINT_HZ");
    if (hz > 0 && view.rootObject()) {
        QObject::connect(&repaint, &QTimer::timeout, &view, [&view] {
            QQuickItem *root = view.rootObject();
            const QColor light(0xf0, 0xf0, 0xf0), dark(0xe8, 0xe8, 0xe8);
            root->setProperty("color", root->property("color").value<QColor>() == light ? dark : light);
        });
        repaint.start(1000 / hz);
    }

    view.show();
    return app.exec();
}
