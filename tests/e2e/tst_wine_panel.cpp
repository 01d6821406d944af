// The Windows panel under Wine, used as a person would (scripts/test-windows sets it up):
// CALDER_PANEL and CALDER_SIM start calder-panel.exe and calder-sim.exe in a Wine prefix whose
// registry names the simulated driver DLL, CALDER_WINE_DRIVER. Window coordinates at scale 1.0.
#include "E2eSupport.h"

#include <QDir>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

using namespace e2e;

namespace {
// The test's own environment names the X11 plugin; Qt for Windows has its own.
const QStringList kWindowsQt{"QT_QPA_PLATFORM=windows", "QT_FORCE_STDERR_LOGGING=1"};
const QString kClassKey =
    QStringLiteral("HKCU\\Software\\Classes\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32");

bool registerDriver(const QString &path)
{
    bool ok = false;
    run("wine", path.isEmpty() ? QStringList{"reg", "delete", kClassKey, "/f"}
                               : QStringList{"reg", "add", kClassKey, "/ve", "/d", path, "/f"},
        &ok, 60000);
    return ok;
}

// The icon Wine docks into the tray host: a small window of the panel's.
QRect trayIcon()
{
    const QString ids = run("xdotool", {"search", "--onlyvisible", "--name", "Calder USB Audio Control Panel"});
    for (const QString &id : ids.split('\n', Qt::SkipEmptyParts))
        if (const QRect g = windowGeometry(id); g.width() > 4 && g.width() <= 64 && g.height() <= 64)
            return g;
    return QRect();
}
} // namespace

class TestWinePanel : public QObject
{
    Q_OBJECT
    std::unique_ptr<Background> windowManager, trayHost;
    std::unique_ptr<Panel> panel;

    void clickAt(int x, int y) { click(panel->at(x, y)); }

    // Opens a tab by click and keeps its picture for the record.
    void openTab(int index, const QString &shot)
    {
        clickAt(readTabs(panel->grab()).centres.value(index), 68);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).current, index, 10000);
        QTest::qWait(500);
        panel->grab().save(qEnvironmentVariable("CALDER_WINE_SHOTS", QDir::tempPath()) + "/" + shot + ".png");
    }

    void start(const QString &devices, int tabs)
    {
        panel = std::make_unique<Panel>(devices, kWindowsQt);
        QVERIFY2(panel->waitUntilShown(60000), qPrintable(panel->log()));
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), tabs, 20000);
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"openbox", "trayer", "xdotool", "wine"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), tool);
        windowManager = std::make_unique<Background>("openbox", QStringList{});
        QTRY_VERIFY_WITH_TIMEOUT(run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 10000);
        trayHost = std::make_unique<Background>("trayer", QStringList{"--edge", "bottom", "--align", "right"});
    }

    void cleanup()
    {
        if (panel && QTest::currentTestFailed())
            grabScreen(QRect(0, 0, 1280, 1024)).save(QDir::tempPath() + "/wine-failed.png");
        if (panel)
            panel->stop();
        panel.reset();
        QVERIFY(registerDriver(qEnvironmentVariable("CALDER_WINE_DRIVER")));
    }

    // One Alto: connected and written; every page; a routing pick by click; a mixer plugged
    // and one unplugged later; the tray icon; hidden and shown by a second start; Exit.
    void wholePanel()
    {
        start("alto", 5);
        QTRY_VERIFY(parameterWrites(0).contains("0000040000000000"));
        QVERIFY(parameterWrites(0).contains("00000283003200FA"));
        openTab(0, "status");
        openTab(1, "audio-routing");
        clickAt(180, 176); // the "Inputs 1+2" box, then its third row
        QTest::qWait(700);
        clickAt(180, 212 + 2 * 36);
        QTRY_COMPARE(parameterWrites(0).value(parameterWrites(0).size() - 1), QString("0000040002000000"));
        openTab(2, "ducker");
        openTab(3, "buffer-settings");
        openTab(4, "info");

        QVERIFY(sim({"plug", "basso"}).contains("plugged"));
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 20000);
        sim({"unplug", "0"});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 5, 20000);
        openTab(1, "audio-routing-basso");

        QTRY_VERIFY_WITH_TIMEOUT(trayIcon().isValid(), 20000);
        clickAt(778, 25); // the x
        QTRY_VERIFY_WITH_TIMEOUT(panel->visibleWindowId().isEmpty(), 10000);
        Background second(qEnvironmentVariable("CALDER_PANEL"), {}, kWindowsQt);
        QVERIFY(second.process.waitForFinished(60000) && second.process.exitCode() == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!panel->visibleWindowId().isEmpty() && isDrawn(panel->grab()), 20000);

        click(trayIcon().center(), 3); // the tray menu; its last entry is Exit
        QTest::qWait(1500);
        keys("Up Return");
        QVERIFY2(panel->process.waitForFinished(30000), qPrintable(panel->log()));
        QCOMPARE(panel->process.exitCode(), 0);
        QVERIFY(panel->log().contains("Closed the handle and unregistered notification"));
    }

    // A driver missing from the registry, a file that is not a DLL, a path to nowhere: the
    // loader's code in the log and the window without a driver, as on Linux.
    void brokenDriverRegistration()
    {
        const QString notADll = QDir::temp().filePath("not-a-dll.dll");
        QFile text(notADll);
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Not a library.\n") > 0);
        text.close();
        for (const auto &[value, code] : {std::pair{QString(), "0x00000002"},
                                          {"Z:" + QDir::toNativeSeparators(notADll), "0x000000C1"},
                                          {QString("C:\\nowhere\\driver.dll"), "0x00000002"}}) {
            QVERIFY(registerDriver(value));
            start("alto", 1);
            QTRY_VERIFY_WITH_TIMEOUT(panel->log().contains(QString("Unable to load the driver API DLL, err=") + code),
                                     20000);
            panel->stop();
        }
    }
};

QTEST_MAIN(TestWinePanel)
#include "tst_wine_panel.moc"
