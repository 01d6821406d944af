// The real calder-panel under openbox and trayer, used through xdotool; every case checks what
// reached calder-sim or the settings file. Window coordinates at scale 1.0 (96 dpi).
#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRasterWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <tuple>
#include <utility>

using namespace e2e;

// Leaves the test when a helper that checks with QVERIFY failed.
#define STEP(call)                      \
    do {                                \
        call;                           \
        if (QTest::currentTestFailed()) \
            return;                     \
    } while (false)

namespace {
const QRgb kPageBackground = qRgb(0xFA, 0xFA, 0xFA);

const QPoint kPageSpot(600, 420); // the page's empty background

// Drop-down boxes by their header's top-left: the shown entry and the rows of the open list.
QPoint envelope(const QPoint &box) { return box + QPoint(145, 56); }
QPoint listRow(const QPoint &box, int row) { return box + QPoint(145, 92 + 36 * row); }
QRect rowRect(const QPoint &box, int row) { return {box.x() + 27, box.y() + 82 + 36 * row, 200, 20}; }
const QPoint kLeftBox(35, 120);   // status: device; routing: inputs 1+2; buffer: inputs
const QPoint kRightBox(367, 120); // status: sample rate; routing: inputs 3+4
const QRect kRateText(393, 160, 240, 28);
const QPoint kCloseButton(778, 25);

const QPoint kDuckerSwitch(53, 122);
const int kThresholdRow = 198;
const int kRangeRow = 248;
const int kReleaseRow = 298;

QRect infoValue(int x, int y, int width = 110) { return {x, y - 10, width, 20}; }

int openHandles(int index) { return simState(index).value("openHandles").toInt(-1); }
QJsonObject mixerState() { return simState(0).value("mixer").toObject(); }

// The panel's tray icon inside trayer and, when open, the icon's menu.
QRect trayWindow(bool menu) { return smallWindow("calder-panel", menu); }

int sensitivityDb(qint64 raw) { return int(std::lround(20.0 * std::log10((raw + 1) / 8388608.0))); }

// The same state may differ in a few anti-aliased pixels; a changed text changes dozens.
const int kSamePicture = 8;

QString lockFile() { return QDir::tempPath() + "/Calder USB Audio Control Panel.lock"; }
} // namespace

class TestE2e : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Panel> panel;
    std::unique_ptr<Background> windowManager;
    std::unique_ptr<Background> trayHost;
    std::unique_ptr<Background> compositor; // outlives the panel on it

    void startPanel(const QString &devices, int expectedTabs)
    {
        panel = std::make_unique<Panel>(devices);
        QVERIFY2(panel->waitUntilShown(), qPrintable(panel->log()));
        // One mixer is connected again 2 s after the start; request counts start after that.
        if (!devices.isEmpty() && !devices.contains(','))
            QTRY_VERIFY_WITH_TIMEOUT(panel->log().count("Successfully registered for device notification") >= 2, 8000);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), expectedTabs, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).current, 0, 5000);
    }

    void clickAt(const QPoint &windowPos) { click(panel->at(windowPos.x(), windowPos.y())); }

    void startTrayHost()
    {
        trayHost =
            std::make_unique<Background>("trayer", QStringList{"--edge", "bottom", "--align", "right", "--widthtype",
                                                               "pixel", "--width", "200", "--height", "40"});
        QTRY_VERIFY_WITH_TIMEOUT(!run("xdotool", {"search", "--onlyvisible", "--class", "^trayer$"}).isEmpty(), 10000);
    }

    void openTab(int index)
    {
        const Tabs tabs = readTabs(panel->grab());
        QVERIFY2(index < tabs.centres.size(), qPrintable(QString::number(tabs.centres.size())));
        clickAt({tabs.centres.at(index), 68});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).current, index, 5000);
        QTest::qWait(150); // the page's first frame
    }

    void openList(const QPoint &box, int row = 0)
    {
        clickAt(envelope(box));
        QTRY_VERIFY(inkPixels(panel->grab(), rowRect(box, row), qRgb(0xFF, 0xFF, 0xFF)) > 30);
    }
    void pickRow(const QPoint &box, int row)
    {
        STEP(openList(box, row));
        clickAt(listRow(box, row));
    }

    // A ducker slider's handle at `value` of its range [lo, hi]: the tracks run from x 418 to 587.
    QPoint sliderAt(int rowY, double value, double lo, double hi)
    {
        return panel->at(418 + int(std::lround((value - lo) / (hi - lo) * 169)), rowY);
    }

    QImage settledPicture() // the picture once it stops changing
    {
        QImage last, now = panel->grab();
        for (int i = 0; i < 30 && now != last; ++i) {
            QTest::qWait(100);
            last = std::exchange(now, panel->grab());
        }
        return now;
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"openbox", "trayer", "xdotool", "xprop", "xev", "weston", "weston-screenshooter"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), tool);
        // One control socket for the panel under test and the calder-sim calls.
        qputenv("CALDER_SIM_SOCKET", QFile::encodeName(QDir::tempPath() + "/e2e-sim.sock"));

        windowManager = std::make_unique<Background>("openbox", QStringList{});
        QTRY_VERIFY_WITH_TIMEOUT(run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 10000);
        startTrayHost();
    }

    void cleanup()
    {
        if (QTest::currentTestFailed()) // the screen at the failure, in the test's temp folder
            grabScreen(QRect(0, 0, 1280, 1024)).save(QDir::tempPath() + "/" + QTest::currentTestFunction() + ".png");
        if (panel) {
            const bool stopped = panel->stop();
            const QString log = panel->log();
            panel.reset();
            QVERIFY2(stopped, qPrintable(log));
            // Views that failed to load or bind say so on the log.
            QVERIFY2(!log.contains("qrc:/UI/Qml/"), qPrintable(log));
        }
        compositor.reset();
        QTRY_VERIFY(!QFile::exists(lockFile()));
    }

    void oneMixerStatusThenHungAndForeignDevices()
    {
        QFile::remove(settingsFile());
        STEP(startPanel("alto", 5));

        // Connected at once, stored defaults written to the mixer and to the settings file.
        QCOMPARE(openHandles(0), 1);
        QCOMPARE(parameterWrites(0).mid(0, 5), QStringList({"0000040000000000", "00000280000007D0", "000002810051EB84",
                                                            "0000028200040C36", "00000283003200FA"}));
        QTRY_COMPARE(setting("Alto/Ducker/Sensitivity").toInt(), -30);
        QCOMPARE(setting("Alto/Ducker/ReleaseTime").toInt(), 2000);
        QCOMPARE(setting("Alto/AudioRouting/Input12").toInt(), 0);
        QCOMPARE(settingGroups(), QStringList{"Alto"});

        // The rate box follows the driver's rate, live.
        const QImage at48k = settledPicture();
        QVERIFY(inkPixels(at48k, QRect(40, 5, 760, 40), qRgb(0x00, 0x25, 0x38)) > 100); // title, close button
        QVERIFY(inkPixels(at48k, kRateText, kPageBackground) > 30);
        sim({"rate", "0", "96000"});
        QTRY_VERIFY(changedPixels(panel->grab(), at48k, kRateText) > 20);
        sim({"rate", "0", "48000"});
        QTRY_VERIFY(changedPixels(panel->grab(), at48k, kRateText) <= kSamePicture);

        // Ctrl+B shows the hidden readout and polls the debug status, until the page is left.
        const QRect readout(35, 255, 630, 50);
        QCOMPARE(inkPixels(at48k, readout, kPageBackground), 0);
        clickAt(kPageSpot); // focus
        keys("ctrl+b");
        QTRY_VERIFY(inkPixels(panel->grab(), readout, kPageBackground) > 100);
        const int debugReads = vendorReads(0, 0x11);
        QTRY_VERIFY(vendorReads(0, 0x11) > debugReads + 5);
        STEP(openTab(4));
        const int afterLeaving = vendorReads(0, 0x11);
        QTest::qWait(300);
        QCOMPARE(vendorReads(0, 0x11), afterLeaving);

        // Exit with a meter read hung for long takes a bounded time; a read blocked as its mixer goes
        // finds its handle open; another vendor's device with a mixer's id gets none of its requests.
        STEP(openTab(2));
        sim({"delay", "ClassVendorRequestIn", "30000", "1"});
        int reads = driverCalls("ClassVendorRequestIn");
        clickAt(kDuckerSwitch);
        QTRY_VERIFY(driverCalls("ClassVendorRequestIn") > reads);
        QElapsedTimer exiting;
        exiting.start();
        QVERIFY2(panel->stop(15000), qPrintable(panel->log()));
        QVERIFY2(exiting.elapsed() < 8000, qPrintable(QString::number(exiting.elapsed())));
        QVERIFY(!QFile::exists(lockFile()));

        STEP(startPanel("alto", 5));
        STEP(openTab(2)); // the ducker is on from the store
        sim({"delay", "ClassVendorRequestIn", "800", "1", "stubborn"});
        reads = driverCalls("ClassVendorRequestIn");
        QTRY_VERIFY(driverCalls("ClassVendorRequestIn") > reads);
        sim({"unplug", "0"});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 5000);
        const auto driver = [] { return QJsonDocument::fromJson(sim({"state"}).toUtf8()).object(); };
        QTRY_COMPARE(driver().value("callsInProgress").toInt(-1), 0);
        QCOMPARE(driver().value("staleHandleCalls").toInt(-1), 0);

        sim({"plug", "foreign"});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 3, 5000);
        QCOMPARE(openHandles(0), 1);
        clickAt(kPageSpot);
        keys("ctrl+b");
        QTest::qWait(300);
        QVERIFY(parameterWrites(0).isEmpty());
        QCOMPARE(vendorReads(0, 0x11), 0);

        STEP(openTab(2)); // a lost connection shows the status page again
        sim({"fault", "GetCurrentSampleRate", "0xEE000010", "1"});
        sim({"notify", "0"});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 5000);
        QTRY_COMPARE(readTabs(panel->grab()).current, 0);
        QCOMPARE(openHandles(0), 0);
    }

    void twoMixersPickOneThenHotPlug()
    {
        STEP(startPanel("alto,basso", 1));
        // Nothing is opened until the user picks; no rate is shown; the list offers the two.
        QCOMPARE(openHandles(0), 0);
        QCOMPARE(openHandles(1), 0);
        QCOMPARE(inkPixels(settledPicture(), kRateText, kPageBackground), 0);
        STEP(openList(kLeftBox, 1));
        QCOMPARE(inkPixels(settledPicture(), rowRect(kLeftBox, 2), kPageBackground), 0);

        // Picking the Basso opens it and sends its settings, one routing write per input pair.
        clickAt(listRow(kLeftBox, 1));
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 5, 5000);
        QCOMPARE(openHandles(1), 1);
        QCOMPARE(openHandles(0), 0);
        QStringList writes = parameterWrites(1);
        QVERIFY2(writes.size() >= 6, qPrintable(writes.join(' ')));
        QCOMPARE(writes.mid(0, 2), QStringList({"0000040000000000", "0000040000000000"}));

        // Its routing page has the "Inputs 3+4" box, stored in the Basso's group.
        STEP(openTab(1));
        STEP(pickRow(kRightBox, 2)); // "Stereo input 7+8"
        QTRY_COMPARE(parameterWrites(1).last(), QString("0000040002000000"));
        QTRY_COMPARE(setting("Basso/AudioRouting/Input32").toInt(), 2);
        QCOMPARE(setting("Basso/AudioRouting/Input12").toInt(), 0);

        // Unplugging it leaves one mixer: opened at once, its tabs and the status page shown.
        sim({"unplug", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(openHandles(0), 1, 5000);
        QTRY_COMPARE(readTabs(panel->grab()).current, 0);
        QCOMPARE(readTabs(panel->grab()).centres.size(), 5);

        // The last mixer goes: one tab, nothing connected, and Ctrl+B shows no readout.
        sim({"unplug", "0"});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 5000);
        QTRY_COMPARE(inkPixels(panel->grab(), kRateText, kPageBackground), 0);
        clickAt(kPageSpot);
        keys("ctrl+b");
        QTest::qWait(400);
        QCOMPARE(inkPixels(panel->grab(), QRect(35, 255, 630, 50), kPageBackground), 0);
    }

    // A device the panel leaves out is listed ahead of two mixers: a pick opens the picked one.
    // A failed pick shows no rate and no tabs and takes another pick; gone mixers are not offered.
    void pickAmongListedMixersAndAfterFailures()
    {
        STEP(startPanel("usbmode1,alto,tenor", 1));
        for (const char *failing : {"OpenDeviceByIndex", "GetCurrentSampleRate"}) {
            STEP(pickRow(kLeftBox, 1)); // "Tenor T-123"
            QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 5, 5000);
            QTRY_VERIFY(inkPixels(panel->grab(), kRateText, kPageBackground) > 30);
            QCOMPARE(openHandles(2), 1);
            QVERIFY(parameterWrites(1).isEmpty());
            sim({"fault", failing, "0xEE000006", "1"});
            STEP(pickRow(kLeftBox, 0));
            QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 5000);
            QTRY_COMPARE(inkPixels(panel->grab(), kRateText, kPageBackground), 0);
        }
        STEP(pickRow(kLeftBox, 0));
        QTRY_COMPARE_WITH_TIMEOUT(openHandles(1), 1, 5000);
        QCOMPARE(parameterWrites(0).size() + openHandles(0), 0);

        sim({"unplug", "2"});
        sim({"unplug", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 5000);
        clickAt(envelope(kLeftBox));
        QTest::qWait(300);
        QCOMPARE(inkPixels(panel->grab(), rowRect(kLeftBox, 0), kPageBackground), 0);
        QCOMPARE(openHandles(0), 0);
    }

    // A mixer plugged within 2 s of the start: the first one is not opened and written again.
    void plugWithinTwoSecondsStopsTheReopen()
    {
        panel = std::make_unique<Panel>("alto");
        QTRY_VERIFY_WITH_TIMEOUT(panel->log().contains("Successfully registered for device notification"), 10000);
        QElapsedTimer sinceOpen;
        sinceOpen.start();
        sim({"plug", "basso"});
        QVERIFY2(panel->waitUntilShown(), qPrintable(panel->log()));
        // Drawn means its event loop ran, and the pending plug came before the reopen's time.
        if (sinceOpen.elapsed() > 1800)
            QSKIP("the panel started too slowly to see the plug before its 2 s reopen");
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel->grab()).centres.size(), 1, 10000);
        QTest::qWait(int(qMax<qint64>(0, 2500 - sinceOpen.elapsed()))); // past the reopen
        QCOMPARE(panel->log().count("Successfully registered for device notification"), 1);
        QCOMPARE(parameterWrites(0).size(), 5);
        QCOMPARE(openHandles(0), 0);
    }

    // Routing and ducker choices go to the mixer and the store, and a restart sends them first.
    void routingAndDuckerSentStoredAndReappliedAfterRestart()
    {
        QFile::remove(settingsFile());
        STEP(startPanel("alto", 5));
        sim({"meter", "0", "4000000"});
        STEP(openTab(1));
        const QImage before = settledPicture();
        STEP(openList(kLeftBox, 2)); // three of its four rows shown
        clickAt(kPageSpot);          // closes it, picks nothing
        QTRY_COMPARE(inkPixels(panel->grab(), rowRect(kLeftBox, 2), kPageBackground), 0);
        QCOMPARE(parameterWrites(0).size(), 10);
        STEP(pickRow(kLeftBox, 2)); // "Stereo input 4+5"
        QTRY_COMPARE(parameterWrites(0).last(), QString("0000040002000000"));
        QTRY_COMPARE(setting("Alto/AudioRouting/Input12").toInt(), 2);
        const QRect shown(60, 160, 240, 30);
        const QImage picked = settledPicture();
        QVERIFY(changedPixels(before, picked, shown) > 20);

        // Ducker off: the sliders do not react and the meter is not read.
        STEP(openTab(2));
        const int writesBefore = parameterWrites(0).size();
        drag(sliderAt(kThresholdRow, -30, -60, 0), sliderAt(kThresholdRow, -10, -60, 0));
        clickAt({60, 194}); // trigger input 1
        QTest::qWait(300);
        QCOMPARE(parameterWrites(0).size(), writesBefore);
        QCOMPARE(setting("Alto/Ducker/Sensitivity").toInt(), -30);
        QCOMPARE(vendorReads(0, 0x10), 0);

        // On: the switch and a trigger input go to the mixer (parameter 0x0280) and the store.
        clickAt(kDuckerSwitch);
        QTRY_COMPARE(parameterWrites(0).last(), QString("00000280010007D0"));
        QTRY_COMPARE(setting("Alto/Ducker/On").toInt(), 1);
        clickAt({60, 226}); // trigger input 2
        QTRY_COMPARE(parameterWrites(0).last(), QString("00000280010207D0"));
        QTRY_COMPARE(setting("Alto/Ducker/Input 2").toInt(), 2);
        QCOMPARE(setting("Alto/Ducker/Input 1").toInt(), 0);
        QTRY_VERIFY(vendorReads(0, 0x10) > 5); // the meter is polled and drawn
        QTRY_VERIFY(inkPixels(panel->grab(), QRect(180, 179, 44, 16), kPageBackground) > 10);

        // Threshold dragged up: the mixer gets what the store holds, one write per whole dB
        // passed, never the same value twice in a row (keys: keyboardWalk).
        const auto mixerThreshold = [] { return sensitivityDb(mixerState().value("sensitivityValue").toDouble()); };
        const auto thresholdWrites = [](int from) {
            return parameterWrites(0).mid(from).filter(QRegularExpression("^00000282"));
        };
        const int beforeDrag = parameterWrites(0).size();
        drag(sliderAt(kThresholdRow, -30, -60, 0), sliderAt(kThresholdRow, -12, -60, 0));
        QTRY_VERIFY(setting("Alto/Ducker/Sensitivity").toInt() > -20);
        QTRY_COMPARE(mixerThreshold(), setting("Alto/Ducker/Sensitivity").toInt());
        const QStringList dragged = thresholdWrites(beforeDrag);
        for (int i = 1; i < dragged.size(); ++i)
            QVERIFY2(dragged.at(i) != dragged.at(i - 1), qPrintable(dragged.join(' ')));
        const int threshold = setting("Alto/Ducker/Sensitivity").toInt();

        // Duck range from 40 dB down; release from 2 s towards 1 s, stored and sent in ms.
        drag(sliderAt(kRangeRow, 40, 0, 90), sliderAt(kRangeRow, 20, 0, 90));
        QTRY_VERIFY(setting("Alto/Ducker/DuckerRange").toInt() < 30);
        QVERIFY(setting("Alto/Ducker/DuckerRange").toInt() > 10);
        drag(sliderAt(kReleaseRow, 2, 0, 5), sliderAt(kReleaseRow, 1, 0, 5));
        QTRY_VERIFY(setting("Alto/Ducker/ReleaseTime").toInt() < 1500);
        QVERIFY(setting("Alto/Ducker/ReleaseTime").toInt() > 500);
        QTRY_COMPARE(mixerState().value("releaseMs").toInt(), setting("Alto/Ducker/ReleaseTime").toInt());
        QCOMPARE(mixerState().value("duckerOn").toInt(), 1);

        // Leaving the page ends the meter polling.
        STEP(openTab(0));
        const int reads = vendorReads(0, 0x10);
        QTest::qWait(300);
        QCOMPARE(vendorReads(0, 0x10), reads);

        QVERIFY(panel->stop());
        panel.reset();
        STEP(startPanel("alto", 5));
        QCOMPARE(parameterWrites(0).first(), QString("0000040002000000"));
        const QJsonObject mixer = mixerState();
        QCOMPARE(mixer.value("duckerOn").toInt(), 1);
        QCOMPARE(mixer.value("triggerMask").toInt(), 2);
        QCOMPARE(sensitivityDb(mixer.value("sensitivityValue").toDouble()), threshold);
        STEP(openTab(1));
        QVERIFY(changedPixels(settledPicture(), picked, shown) <= kSamePicture);
    }

    // The Buffer Settings page's choices are made in keyboardWalk; here the Info page.
    void infoPageFollowsTheDriver()
    {
        STEP(startPanel("alto", 5));
        sim({"driver", "5", "2", "3", "release"});
        sim({"clients", "0", "1", "1", "0"});
        const int driverReads = driverCalls("GetDriverInfo");
        STEP(openTab(4));
        QVERIFY(driverCalls("GetDriverInfo") > driverReads);
        const QImage first = settledPicture();
        const QRect streaming = infoValue(280, 154), wdm = infoValue(280, 190), asio = infoValue(280, 226);
        const QRect version(400, 318, 290, 20), build(400, 354, 290, 20);
        const QRect product = infoValue(228, 364), vidPid = infoValue(228, 400), serial = infoValue(228, 472);
        for (const QRect &r : {streaming, wdm, asio, version, build, product, vidPid, serial})
            QVERIFY2(inkPixels(first, r, qRgb(255, 255, 255)) > 10, qPrintable(QString("%1,%2").arg(r.x()).arg(r.y())));

        // New values, announced by a device notification: changed rows change, product rows stay.
        sim({"driver", "6", "0", "1", "debug"});
        sim({"clients", "0", "0", "3", "2"});
        sim({"notify", "0"});
        QTRY_VERIFY(changedPixels(panel->grab(), first, version) > 10);
        const QImage second = settledPicture();
        for (const QRect &r : {streaming, wdm, asio, build})
            QVERIFY(changedPixels(second, first, r) > 10);
        for (const QRect &r : {product, vidPid, serial})
            QVERIFY(changedPixels(second, first, r) <= kSamePicture);
    }

    // Keys only, from the start, on an Alto, a Basso and a 0x21 device: every page and control
    // reached and operated. A step is "xdotool keys => probe=expected; ..." and waits until every
    // probe holds: tab (current tab), write (last parameter block), nowrite (no new block),
    // set:KEY (the settings file), asio (calder-sim's answer contains it), blank=x,y,w,h (no ink
    // there: a list closed), hidden (the window), or a path into calder-sim's state of device 0.
    void keyboardWalk_data()
    {
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("alto") << "alto" << QStringList{
            "ctrl+Tab => tab=1", // routing: the "Inputs 1+2" box has the focus
            "space Down Down Escape => nowrite; blank=62,215,236,85",
            "Escape => nowrite", // nothing open
            "alt+Down Down Down Return => write=0000040002000000; set:Alto/AudioRouting/Input12=2",
            "ctrl+Next => tab=2", // ducker: the switch
            "space => write=00000280010007D0; set:Alto/Ducker/On=1",
            "Tab Return => write=00000280010107D0; set:Alto/Ducker/Input 1=1",
            "Tab space => write=00000280010307D0",
            "Tab Right => set:Alto/Ducker/Sensitivity=-29",
            "Prior => set:Alto/Ducker/Sensitivity=-23",
            "End => set:Alto/Ducker/Sensitivity=0",
            "Home => set:Alto/Ducker/Sensitivity=-60",
            "Tab Next => set:Alto/Ducker/DuckerRange=31",
            "Tab End => set:Alto/Ducker/ReleaseTime=5000",
            "ctrl+Tab => tab=3", // buffer settings: input formats, output formats, buffer size
            "space Up Return => input.currentFormat=1",
            "Tab Tab Return Down Return => asio=current 512",
            "Tab space => asio=safe mode on",
            "ctrl+Tab => tab=4", // info: no control, its tab has the focus
            "Left Left Left Left space => tab=0",
            "Tab Return => hidden"}; // the status page has no control either: on to the close button
        QTest::newRow("basso") << "basso" << QStringList{
            "ctrl+Tab => tab=1", // the "Inputs 1+2" box offers nothing: "Inputs 3+4" has the focus
            "Return Down Down Return => set:Basso/AudioRouting/Input32=2; set:Basso/AudioRouting/Input12=0",
            "ctrl+Tab space => write=00000280010007D0",
            "Tab Tab Tab Tab space => write=00000280010807D0; set:Basso/Ducker/Input 4=8",
            "ctrl+shift+Tab => tab=1",
            "ctrl+Prior ctrl+Prior => tab=4"};
        QTest::newRow("0x21") << "v21" << QStringList{
            "ctrl+Tab => tab=1", // volume: the "Input" radio
            "Tab Up => input.channels.0.volume=-2304",
            "Tab Tab Next => input.channels.1.volume=-4608; input.channels.2.volume=-4608",
            "Tab Tab space shift+Tab End => input.channels.2.volume=0; input.channels.1.volume=-4608",
            "Tab Tab Return => input.channels.1.mute=1; input.channels.2.mute=1",
            "shift+Tab shift+Tab shift+Tab Right => nowrite",
            "Tab End => output.channels.0.volume=0; input.channels.0.volume=-2304",
            "Tab space => output.channels.0.mute=1"};
    }

    void keyboardWalk()
    {
        QFETCH(QString, devices);
        QFETCH(QStringList, steps);
        QFile::remove(settingsFile());
        STEP(startPanel(devices, devices == "alto" || devices == "basso" ? 5 : 4));

        // Tab draws the focus (on the close button, the status page having no control); a click
        // hides it again, and the window looks as it did at the start.
        run("xdotool", {"mousemove", "1200", "1000"});
        const QImage unfocused = settledPicture();
        keys("Tab");
        QTRY_VERIFY(changedPixels(panel->grab(), unfocused, QRect(740, 0, 60, 50)) > 40);
        clickAt(kPageSpot);
        run("xdotool", {"mousemove", "1200", "1000"});
        QTRY_VERIFY(changedPixels(settledPicture(), unfocused, unfocused.rect()) <= kSamePicture);

        const auto probe = [this](const QString &name) -> QString {
            if (name == "tab")
                return QString::number(readTabs(panel->grab()).current);
            if (name == "write")
                return parameterWrites(0).value(parameterWrites(0).size() - 1);
            if (name == "asio")
                return sim({"asio"});
            if (name == "hidden")
                return panel->visibleWindowId().isEmpty() ? name : QString();
            if (name.startsWith("set:"))
                return setting(name.mid(4)).toString();
            if (name.startsWith("blank")) {
                const QStringList r = name.section('=', 1).split(',');
                const QRect rect(r.value(0).toInt(), r.value(1).toInt(), r.value(2).toInt(), r.value(3).toInt());
                return inkPixels(panel->grab(), rect, qRgb(0xFF, 0xFF, 0xFF)) == 0 ? name : QString();
            }
            QJsonValue v = simState(0); // a path: objects by key, arrays by index
            for (const QString &part : name.split('.'))
                v = v.isArray() ? v.toArray().at(part.toInt()) : v.toObject().value(part);
            return v.toVariant().toString();
        };
        for (const QString &step : steps) {
            const int writes = parameterWrites(0).size();
            keys(step.section(" => ", 0, 0));
            for (const QString &check : step.section(" => ", 1).split("; ")) {
                const QString name = check.startsWith("blank") ? check : check.section('=', 0, 0);
                const QString expected = check.startsWith("blank") || check == "hidden" ? check : check.section('=', 1);
                const auto holds = [&] {
                    return name == "nowrite" ? parameterWrites(0).size() == writes
                           : name == "asio"  ? probe(name).contains(expected)
                                             : probe(name) == expected;
                };
                if (name == "nowrite")
                    QTest::qWait(300);
                QTRY_VERIFY2_WITH_TIMEOUT(holds(), qPrintable(step + ": " + name + " is " + probe(name)), 5000);
            }
        }
    }

    void volumeMuteAndLink()
    {
        STEP(startPanel("v21", 4));
        STEP(openTab(1));
        auto channel = [](const char *direction, int c) {
            return simState(0).value(direction).toObject().value("channels").toArray().at(c).toObject();
        };
        QCOMPARE(channel("input", 1).value("volume").toInt(), -3072);
        QCOMPARE(channel("input", 2).value("volume").toInt(), -3072);

        // This device's input master has no mute control: the icon toggles, the driver is not asked.
        const int setMuteCalls = driverCalls("SetMute");
        const QRect masterMuteIcon(66, 464, 30, 30);
        const QImage unmuted = settledPicture();
        clickAt({81, 479});
        QTRY_VERIFY(changedPixels(panel->grab(), unmuted, masterMuteIcon) > 10);
        QCOMPARE(driverCalls("SetMute"), setMuteCalls);
        QCOMPARE(channel("input", 0).value("mute").toInt(), 0);

        // Linked pair (equal ranges and volumes): dragging one slider moves both channels.
        drag(panel->at(162, 252), panel->at(162, 320));
        QTRY_VERIFY(channel("input", 1).value("volume").toInt() < -3072);
        QTRY_COMPARE(channel("input", 2).value("volume").toInt(), channel("input", 1).value("volume").toInt());
        const int linkedValue = channel("input", 1).value("volume").toInt();

        // Unlinked: the right slider alone.
        clickAt({190, 432});
        QTest::qWait(300);
        drag(panel->at(209, 320), panel->at(209, 230));
        QTRY_VERIFY(channel("input", 2).value("volume").toInt() > linkedValue);
        QCOMPARE(channel("input", 1).value("volume").toInt(), linkedValue);

        // The pair's mute mutes both channels, and a second click sounds them again.
        clickAt({189, 471});
        QTRY_COMPARE(channel("input", 1).value("mute").toInt(), 1);
        QCOMPARE(channel("input", 2).value("mute").toInt(), 1);
        clickAt({189, 471});
        QTRY_COMPARE(channel("input", 1).value("mute").toInt(), 0);
        QCOMPARE(channel("input", 2).value("mute").toInt(), 0);

        // The output master slider writes output channel 0 only, and its master has a mute.
        const int inputMaster = channel("input", 0).value("volume").toInt();
        const int outputMaster = channel("output", 0).value("volume").toInt();
        clickAt({141, 143});
        QTest::qWait(400);
        drag(panel->at(93, 228), panel->at(93, 300));
        QTRY_VERIFY(channel("output", 0).value("volume").toInt() < outputMaster);
        QCOMPARE(channel("input", 0).value("volume").toInt(), inputMaster);
        clickAt({81, 479});
        QTRY_COMPARE(channel("output", 0).value("mute").toInt(), 1);
        QCOMPARE(channel("input", 0).value("mute").toInt(), 0);

        // Hidden and shown again, the page is as the person left it: Output, the pair unlinked.
        clickAt({190, 432});
        QTest::qWait(300);
        clickAt(kCloseButton);
        QTRY_VERIFY(panel->visibleWindowId().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(trayWindow(false).isValid(), 5000);
        click(trayWindow(false).center());
        QTRY_VERIFY_WITH_TIMEOUT(!panel->visibleWindowId().isEmpty() && isDrawn(panel->grab()), 5000);
        const int input2 = channel("input", 2).value("volume").toInt();
        drag(panel->at(209, 320), panel->at(209, 230));
        QTRY_VERIFY(channel("output", 2).value("volume").toInt() > -3072);
        QCOMPARE(channel("output", 1).value("volume").toInt(), -3072);
        QCOMPARE(channel("input", 2).value("volume").toInt(), input2);

        // With ranges that differ, switching directions writes nothing, only a person's move does:
        // values outside the range, off whole dB, inverted and empty ranges, every read failing.
        const QList<QStringList> staged{{"in", "0", "range", "-60", "0"},  {"in", "0", "volume", "-50"},
                                        {"out", "0", "range", "-40", "0"}, {"out", "0", "volume", "-10.75"},
                                        {"in", "1", "range", "0", "40"},   {"in", "1", "volume", "20"},
                                        {"in", "2", "range", "0", "40"},   {"in", "2", "volume", "20"},
                                        {"out", "1", "range", "0", "-60"}, {"out", "2", "range", "-20", "-20"}};
        for (const QStringList &c : staged) {
            bool ok = false;
            sim(QStringList{c.at(2), "0", c.at(0), c.at(1)} + c.mid(3), &ok);
            QVERIFY2(ok, qPrintable(c.join(' ')));
        }
        const int writes = driverCalls("SetVolume") + driverCalls("SetMute"); // volumes change by these only
        STEP(openTab(0));
        STEP(openTab(1));
        const auto switchDirections = [this](int times, int readsPerSwitch) {
            const int reads = driverCalls("GetVolumeMuteInfo");
            for (int i = 0; i < times; ++i) {
                clickAt({141, 143}); // Output: master and channels 1 to 3
                clickAt({59, 143});  // Input: master and channels 1, 2
            }
            QTRY_COMPARE_WITH_TIMEOUT(driverCalls("GetVolumeMuteInfo") - reads, readsPerSwitch * times, 20000);
        };
        STEP(switchDirections(20, 7));
        for (const char *op :
             {"GetVolumeMuteInfo", "GetVolume", "GetMute", "GetChannelInfo", "GetSupportedStreamFormats"})
            sim({"fault", op, "0xE0000001"});
        STEP(switchDirections(2, 2)); // no formats: the masters only
        QCOMPARE(driverCalls("SetVolume") + driverCalls("SetMute"), writes);
    }

    // Covered, the panel is raised by a second start, which stops at the lock before its tray
    // step. Closed, it stays connected but drops its page and polling; a second start shows it
    // within a second as it was, and so does a click on the tray icon, where it was first put.
    void windowTraySecondStartsAndDrag()
    {
        QFile::remove(settingsFile());
        QSettings stored(settingsFile(), QSettings::IniFormat);
        stored.setValue("Alto/Ducker/On", 1);
        stored.setValue("Alto/Ducker/Sensitivity", -12); // not the default: a page rebuilt from nothing shows -30
        stored.sync();
        STEP(startPanel("alto", 5));
        QTRY_VERIFY_WITH_TIMEOUT(trayWindow(false).isValid(), 10000);
        const QImage at48k = settledPicture();
        sim({"rate", "0", "96000"});
        QTRY_VERIFY(changedPixels(panel->grab(), at48k, kRateText) > 20);
        const QImage at96k = settledPicture();
        sim({"rate", "0", "48000"});
        QTRY_VERIFY(changedPixels(panel->grab(), at48k, kRateText) <= kSamePicture);
        sim({"meter", "0", "4000000"});
        STEP(openTab(2));
        const QString id = panel->visibleWindowId();
        const auto secondStart = [](const QStringList &env = {}) {
            Background second(qEnvironmentVariable("CALDER_PANEL"), {}, QStringList{"CALDER_SIM_DEVICES=alto"} + env);
            QVERIFY(second.process.waitForFinished(5000));
            QCOMPARE(second.process.exitCode(), 0);
            QVERIFY2(!second.log().contains("Tray"), qPrintable(second.log()));
        };
        {
            QRasterWindow cover;
            cover.setGeometry(30, 30, 900, 600);
            cover.show();
            cover.requestActivate();
            QTRY_COMPARE_WITH_TIMEOUT(run("xdotool", {"getactivewindow"}), QString::number(cover.winId()), 5000);
            QTRY_VERIFY(!isDrawn(panel->grab()));
            STEP(secondStart());
            QTRY_COMPARE_WITH_TIMEOUT(run("xdotool", {"getactivewindow"}), id, 5000);
            QTRY_VERIFY(isDrawn(panel->grab())); // on top again
            QCOMPARE(openHandles(0), 1);         // the second copy never loaded the driver
        }
        const auto meterReads = [] { return vendorReads(0, 0x10); };
        QTRY_VERIFY(meterReads() > 3);
        run("xdotool", {"mousemove", "1200", "1000"}); // no hover on the page
        const QImage before = settledPicture().copy(0, 86, 800, 414);

        clickAt(kCloseButton);
        QTRY_VERIFY(panel->visibleWindowId().isEmpty());
        QTest::qWait(500);
        const int hiddenReads = meterReads();
        QTest::qWait(500);
        QCOMPARE(meterReads(), hiddenReads);
        QCOMPARE(openHandles(0), 1);
        // The mixer's news is read while hidden: the stored settings go back, the rate is taken.
        const int writes = parameterWrites(0).size();
        sim({"rate", "0", "96000"});
        QTRY_COMPARE(parameterWrites(0).size(), writes + 5);

        // The panel's own options answer at once, with no display and no word to the running
        // copy; anything else is refused the same way.
        for (const auto &[option, code, answer] : {std::tuple{"--help", 0, "--version"},
                                                   {"--version", 0, "calder-panel 1.0.0"},
                                                   {"-bogus", 2, "Unknown option 'bogus'"}}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            p.setProcessEnvironment(env);
            p.start(qEnvironmentVariable("CALDER_PANEL"), {option});
            QVERIFY(p.waitForFinished(5000));
            QCOMPARE(p.exitCode(), code);
            const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
            const QString err = QString::fromLocal8Bit(p.readAllStandardError());
            QVERIFY2((code == 0 ? out : err).contains(answer) && (code == 0 ? err : out).isEmpty(),
                     qPrintable(out + err));
        }
        QTest::qWait(300);
        QVERIFY(panel->visibleWindowId().isEmpty());

        // The launch's startup id goes to the running copy, which ends the startup notification.
        Background rootEvents("stdbuf", {"-oL", "xev", "-root", "-event", "property"});
        QTest::qWait(300);
        STEP(secondStart({"DESKTOP_STARTUP_ID=e2e_TIME1"}));
        QTRY_VERIFY(!panel->visibleWindowId().isEmpty() && isDrawn(panel->grab()));
        QByteArray rootLog;
        QTRY_VERIFY((rootLog += rootEvents.process.readAllStandardOutput()).contains("_NET_STARTUP_INFO_BEGIN"));
        QTRY_VERIFY(meterReads() > hiddenReads + 3);
        QCOMPARE(readTabs(panel->grab()).current, 2);
        QCOMPARE(parameterWrites(0).size(), writes + 5); // showing writes nothing
        run("xdotool", {"mousemove", "1200", "1000"});
        const QImage after = settledPicture().copy(0, 86, 800, 414);
        // A new GL context draws some edges a shade apart; another value is another picture.
        const int differing = changedPixels(before, after, before.rect(), 30);
        QVERIFY2(differing <= kSamePicture, qPrintable(QString::number(differing)));

        clickAt(kCloseButton);
        QTRY_VERIFY(panel->visibleWindowId().isEmpty());
        click(trayWindow(false).center());
        QTRY_VERIFY_WITH_TIMEOUT(!panel->visibleWindowId().isEmpty(), 5000);
        QCOMPARE(panel->origin(), QPoint(50, 50));
        QTRY_VERIFY(isDrawn(panel->grab()));
        QCOMPARE(readTabs(panel->grab()).current, 2);

        // Dragged by the top band only; pressed on the page below it, the window stays.
        drag(panel->at(300, 25), panel->at(300 + 150, 25 + 100));
        QTRY_COMPARE(panel->origin(), QPoint(200, 150));
        QTRY_VERIFY(panel->log().contains(": The desktop moves the window.\n"));
        QTRY_VERIFY(isDrawn(panel->grab()));
        drag(panel->at(600, 400), panel->at(600 - 120, 400 - 60));
        QTest::qWait(400);
        QCOMPARE(panel->origin(), QPoint(200, 150));
        STEP(openTab(0)); // still usable where it was dropped, and with the rate read while hidden
        QVERIFY(changedPixels(settledPicture(), at96k, kRateText) <= kSamePicture);

        click(trayWindow(false).center(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(trayWindow(true).isValid(), 5000);
        const QRect menu = trayWindow(true);
        click(QPoint(menu.x() + menu.width() / 3, menu.y() + menu.height() * 3 / 4)); // "Exit"
        QVERIFY(panel->process.waitForFinished(10000));
        QCOMPARE(panel->process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(panel->process.exitCode(), 0);
        QVERIFY(panel->log().contains("Closed the handle and unregistered notification"));
        panel.reset();
    }

    // On Wayland (headless weston): the desktop entry's name is the app id, and a frame is drawn.
    void waylandAppIdAndFrame()
    {
        const QString socket = QStringLiteral("calder-e2e-wayland");
        compositor = std::make_unique<Background>("weston", QStringList{"--debug", "--backend=headless-backend.so", "--use-pixman", "--socket=" + socket,
                                                            "--width=1024", "--height=768"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/" + socket), 10000);
        panel = std::make_unique<Panel>(
            "alto", QStringList{"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=" + socket, "WAYLAND_DEBUG=1"});
        QTRY_VERIFY_WITH_TIMEOUT(panel->log().contains("set_app_id(\"org.brightwell.CalderPanel\")"), 20000);
        const auto bandRows = [&] {
            QTemporaryDir shots;
            QProcess shooter;
            shooter.setWorkingDirectory(shots.path());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("WAYLAND_DISPLAY", socket);
            shooter.setProcessEnvironment(env);
            shooter.start("weston-screenshooter", QStringList());
            shooter.waitForFinished(10000);
            const QStringList files = QDir(shots.path()).entryList({"*.png"});
            const QImage screen = files.isEmpty() ? QImage() : QImage(shots.filePath(files.first()));
            int rows = 0; // rows with 700 pixels or more of the title band's colour
            for (int y = 0; y < screen.height(); ++y) {
                int band = 0;
                for (int x = 0; x < screen.width(); ++x)
                    band += screen.pixel(x, y) == qRgb(0x00, 0x25, 0x38) ? 1 : 0;
                rows += band >= 700 ? 1 : 0;
            }
            return rows;
        };
        QTRY_VERIFY_WITH_TIMEOUT(bandRows() >= 10, 15000);
    }

    // Last, as it ends the tray host: without a tray and without the driver library the panel
    // still shows its window, and its log lines carry no category in front.
    void noTrayHostAndNoDriverLibrary()
    {
        trayHost.reset();
        panel = std::make_unique<Panel>("alto", QStringList{"CALDER_REGISTRY=" + QDir::tempPath() + "/none.reg"});
        QTRY_VERIFY_WITH_TIMEOUT(isDrawn(panel->grab()), 20000);
        QTRY_VERIFY(panel->log().contains("Unable to load the driver API DLL, err=0x00000002\n"));
        const QString log = panel->log();
        QVERIFY2(log.contains("Tray not available.\n"), qPrintable(log));
        QVERIFY2(!log.contains(QRegularExpression("^calder\\.\\w+: ", QRegularExpression::MultilineOption)),
                 qPrintable(log));
        QCOMPARE(readTabs(panel->grab()).centres.size(), 1);

        // Without a tray the x minimises: the window stays in the task bar. A tray that comes
        // later takes the icon and the x hides again; when the tray goes, it minimises again.
        const QString id = panel->visibleWindowId();
        const auto closedTo = [&](bool minimised) {
            clickAt(kCloseButton);
            QTRY_VERIFY(panel->visibleWindowId().isEmpty());
            QTRY_COMPARE(run("xprop", {"-id", id, "WM_STATE"}).contains("Iconic"), minimised);
        };
        STEP(closedTo(true));
        STEP(startTrayHost());
        QTRY_VERIFY_WITH_TIMEOUT(trayWindow(false).isValid(), 10000);
        click(trayWindow(false).center());
        QTRY_VERIFY(!panel->visibleWindowId().isEmpty());
        STEP(closedTo(false));
        trayHost.reset();
        Background(qEnvironmentVariable("CALDER_PANEL"), {}, {}).process.waitForFinished(5000);
        QTRY_VERIFY(!panel->visibleWindowId().isEmpty());
        STEP(closedTo(true));
    }
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
