// Baseline for bench/run: the least a Qt Quick program does (one window, one Rectangle), built
// with the same Qt, compiler and flags as the panel. It reports its first frame the way the
// panel's probe does (app/FirstFrameProbe.cpp) so both are timed by the same clock.
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {
void report(const char *what)
{
    const long long ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    // CPU time of all threads so far: a figure that the machine's load disturbs less.
    const long long cpuUs = static_cast<long long>(std::clock()) * 1000000 / CLOCKS_PER_SEC;
    std::printf("%s %lld %lld\n", what, ns, cpuUs);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickView view;
    view.setResizeMode(QQuickView::SizeViewToRootObject);
    // CALDER_BENCH_MINIMAL_TEXT: the variant with one Text, a reference for what text costs.
    const QUrl source(qEnvironmentVariableIsSet("CALDER_BENCH_MINIMAL_TEXT") ? QStringLiteral("qrc:/minimal_text.qml")
                                                                             : QStringLiteral("qrc:/minimal.qml"));
    view.setSource(source);
    view.setFlags(Qt::Window | Qt::FramelessWindowHint);
    // Beside the panel's window (50, 50), so that both can run on one display.
    bool xSet = false;
    const int x = qEnvironmentVariableIntValue("CALDER_BENCH_MINIMAL_X", &xSet);
    view.setPosition(xSet ? x : 50, 50);
    view.setTitle(QStringLiteral("calder-bench-minimal"));

    // The first frame, and the first after each later show.
    static std::atomic_int frameToReport{0};
    if (qEnvironmentVariableIsSet("CALDER_BENCH_FIRST_FRAME")) {
        frameToReport = 1;
        QObject::connect(
            &view, &QQuickWindow::frameSwapped, &view,
            [] {
                const int which = frameToReport.exchange(0);
                if (which)
                    report(which == 1 ? "calder-first-frame" : "calder-shown-frame");
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

    // CALDER_BENCH_MINIMAL_CONTROL: lines "hide" and "show" on standard input hide the window the
    // way a tray program would (scene graph and GL context released, its QML dropped, freed
    // memory returned) and show it again: the baseline of the panel hidden in the tray.
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    commands.setEnabled(qEnvironmentVariableIsSet("CALDER_BENCH_MINIMAL_CONTROL"));
    view.setPersistentOpenGLContext(false);
    view.setPersistentSceneGraph(false);
    QObject::connect(&commands, &QSocketNotifier::activated, &view, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer) - 1);
        if (n <= 0) {
            commands.setEnabled(false);
            return;
        }
        buffer[n] = '\0';
        const QByteArray lines(buffer);
        if (lines.contains("hide")) {
            view.hide();
            view.releaseResources();
            view.setSource(QUrl());
            view.engine()->collectGarbage();
            view.engine()->trimComponentCache();
            malloc_trim(0);
        }
        if (lines.contains("show")) {
            view.setSource(source);
            frameToReport = 2;
            view.show();
        }
    });

    view.show();
    return app.exec();
}
