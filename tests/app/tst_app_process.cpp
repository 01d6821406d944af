// The real calder-panel under Xvfb with a window manager (openbox) and, where asked, a tray
// host (trayer): single instance, raising the first copy, tray, lock file, missing driver.
#include "../e2e/E2eSupport.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRasterWindow>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>

#include <memory>

namespace {
const QString kTitle = QStringLiteral("Calder USB Audio Control Panel");

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

struct WindowInfo
{
    QString id;
    QRect geometry;
};

// Visible top-level windows titled like the panel (its main window and, when a tray host
// embeds it, the tray icon's window).
QList<WindowInfo> panelWindows()
{
    const QString out =
        run("xdotool", {"search", "--onlyvisible", "--name", "^" + kTitle + "$", "getwindowgeometry", "%@"});
    QList<WindowInfo> windows;
    static const QRegularExpression re(R"(Window (\d+)\s+Position: (-?\d+),(-?\d+).*?\s+Geometry: (\d+)x(\d+))",
                                       QRegularExpression::DotMatchesEverythingOption);
    auto it = re.globalMatch(out);
    while (it.hasNext()) {
        const auto m = it.next();
        windows.append({m.captured(1), QRect(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(),
                                             m.captured(5).toInt())});
    }
    return windows;
}

QList<WindowInfo> mainWindows()
{
    QList<WindowInfo> result;
    for (const WindowInfo &w : panelWindows())
        if (w.geometry.size() == QSize(800, 500))
            result << w;
    return result;
}

// Tray icons of calder-panel embedded in trayer's windows.
int embeddedTrayIcons()
{
    int count = 0;
    const QStringList trayerWindows = run("xdotool", {"search", "--class", "^trayer$"}).split('\n');
    for (const QString &id : trayerWindows) {
        if (id.isEmpty())
            continue;
        const QString tree = run("xwininfo", {"-tree", "-id", id});
        // Children are listed as: 0x... "title": ("instance" "class")  geometry
        count += tree.count(QStringLiteral("(\"calder-panel\" "));
    }
    return count;
}

QString lockFilePath() { return QDir::tempPath() + "/" + kTitle + ".lock"; }

// A child process, ended with SIGTERM when it goes out of scope (killed if that fails).
// For calder-panel, stop() checks that SIGTERM took the normal shutdown path.
class Child
{
public:
    Child(const QString &program, const QStringList &args = {}, const QStringList &env = {})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        process.setProcessEnvironment(e);
        process.start(program, args);
    }
    ~Child()
    {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
        process.waitForFinished(3000);
    }
    bool stop()
    {
        process.terminate();
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    // The debug log so far.
    QString log()
    {
        m_log += QString::fromLocal8Bit(process.readAllStandardError());
        return m_log;
    }

    QProcess process;

private:
    QString m_log;
};
} // namespace

class TestAppProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *tool : {"openbox", "trayer", "xdotool", "xwininfo", "xprop"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), tool);
        QVERIFY(QFileInfo(TestEnvironment::panelExecutable()).isExecutable());
        windowManager = std::make_unique<Child>("openbox");
        QTRY_VERIFY_WITH_TIMEOUT(run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 10000);
    }

    void cleanup() { QTRY_VERIFY(!QFile::exists(lockFilePath())); }

    void trayHostEmbedsTheIconAndASecondCopyAddsNothing()
    {
        Child trayer("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "200",
                                "--height", "40"});
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);

        Child first(TestEnvironment::panelExecutable());
        QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("Tray available.\n"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(embeddedTrayIcons(), 1, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 15000);
        QCOMPARE(mainWindows().at(0).geometry.topLeft(), QPoint(50, 50));
        QVERIFY(QFile::exists(lockFilePath()));

        // The second copy stops at the lock, before the application object: no window, no
        // tray step (its log line comes before the icon is made), no icon.
        QElapsedTimer clock;
        clock.start();
        Child second(TestEnvironment::panelExecutable());
        QVERIFY(second.process.waitForFinished(5000));
        const qint64 ms = clock.elapsed();
        qInfo("second copy: exit code %d after %lld ms (wall, with process start)", second.process.exitCode(), ms);
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
        QVERIFY2(!second.log().contains("Tray"), qPrintable(second.log()));
        QTest::qWait(300);
        QCOMPARE(embeddedTrayIcons(), 1);
        QCOMPARE(mainWindows().size(), 1);

        QVERIFY(first.stop());
        QVERIFY(!QFile::exists(lockFilePath()));
        const QString log = first.log();
        QVERIFY2(!log.contains("qrc:/UI/Qml/"), qPrintable(log));                 // the views loaded without errors
        QVERIFY(log.contains("Closed the handle and unregistered notification")); // services released
    }

    void secondCopyBringsTheFirstForward()
    {
        // No tray host here: the panel says so and runs on with its window.
        Child first(TestEnvironment::panelExecutable());
        QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("Tray not available.\n"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 15000);
        const QString panelId = mainWindows().at(0).id;

        QRasterWindow other;
        other.setGeometry(100, 100, 300, 200);
        other.show();
        other.requestActivate();
        QTRY_COMPARE_WITH_TIMEOUT(run("xdotool", {"getactivewindow"}), QString::number(other.winId()), 5000);

        Child second(TestEnvironment::panelExecutable());
        QVERIFY(second.process.waitForFinished(5000));
        QCOMPARE(second.process.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(run("xdotool", {"getactivewindow"}), panelId, 5000);
        const QString stacking = run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
        QVERIFY2(stacking.endsWith(QStringLiteral("0x%1").arg(panelId.toULongLong(), 0, 16)), qPrintable(stacking));
        QCOMPARE(first.process.state(), QProcess::Running);
        QVERIFY(first.stop());
        QVERIFY(!QFile::exists(lockFilePath()));

        // After a normal exit the next start proceeds.
        Child next(TestEnvironment::panelExecutable());
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 15000);
        QVERIFY(next.stop());
    }

    void missingDriverLibraryStillStarts()
    {
        Child panel(TestEnvironment::panelExecutable(), {},
                    {"CALDER_REGISTRY=" + QDir::tempPath() + "/no-such-registry.reg"});
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 15000);
        QTest::qWait(300);
        QCOMPARE(panel.process.state(), QProcess::Running);
        const QString log = panel.log();
        QVERIFY2(log.contains("Unable to load the driver API DLL, err=0x00000002\n"), qPrintable(log));
        // The lines read as they always did: no log category in front of them.
        QVERIFY2(!log.contains(QRegularExpression("^calder\\.\\w+: ", QRegularExpression::MultilineOption)),
                 qPrintable(log));
        QVERIFY(!log.contains("Successfully opened the device"));
        QVERIFY(panel.stop());
    }

    // Hidden, the panel drops its page and stops polling; a second start shows it within a
    // second, with the page, its values and the meter polling it had.
    void secondStartShowsTheHiddenPanelAsItWas()
    {
        QSettings stored(e2e::settingsFile(), QSettings::IniFormat);
        stored.setValue("Alto/Ducker/On", 1);
        stored.setValue("Alto/Ducker/Sensitivity", -12); // not the default: a page rebuilt from nothing shows -30
        stored.sync();
        e2e::Panel panel("alto");
        QVERIFY2(panel.waitUntilShown(), qPrintable(panel.log()));
        QTRY_VERIFY_WITH_TIMEOUT(panel.log().count("Successfully registered for device notification") >= 2, 8000);
        e2e::sim({"meter", "0", "4000000"});
        QTRY_COMPARE_WITH_TIMEOUT(e2e::readTabs(panel.grab()).centres.size(), 5, 10000);
        e2e::click(panel.at(e2e::readTabs(panel.grab()).centres.at(2), 68));
        QTRY_COMPARE_WITH_TIMEOUT(e2e::readTabs(panel.grab()).current, 2, 5000);
        const auto meterReads = [] { return e2e::vendorReads(0, 0x10); };
        QTRY_VERIFY(meterReads() > 3);
        const auto settledPage = [&panel] {
            run("xdotool", {"mousemove", "1200", "1000"}); // no hover on the page
            QImage last, now = panel.grab();
            for (int i = 0; i < 30 && now != last; ++i) {
                QTest::qWait(100);
                last = now;
                now = panel.grab();
            }
            return now.copy(0, 86, 800, 414);
        };
        const QImage before = settledPage();

        e2e::click(panel.at(778, 25)); // the close button
        QTRY_VERIFY(panel.visibleWindowId().isEmpty());
        QTest::qWait(500);
        const int hiddenReads = meterReads();
        QTest::qWait(500);
        QCOMPARE(meterReads(), hiddenReads);

        QElapsedTimer clock;
        clock.start();
        Child second(TestEnvironment::panelExecutable());
        QVERIFY(second.process.waitForFinished(5000));
        QCOMPARE(second.process.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!panel.visibleWindowId().isEmpty() && e2e::isDrawn(panel.grab()), 2000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY(meterReads() > hiddenReads + 3);
        QCOMPARE(e2e::readTabs(panel.grab()).current, 2);
        const QImage after = settledPage();
        // A new GL context draws some edges a shade apart; another value is another picture.
        int differing = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                differing += e2e::channelDistance(before.pixel(x, y), after.pixel(x, y)) > 30;
        QVERIFY2(differing <= 8, qPrintable(QString::number(differing)));
        QVERIFY(panel.stop());
    }

private:
    std::unique_ptr<Child> windowManager;
};

QTEST_MAIN(TestAppProcess)
#include "tst_app_process.moc"
