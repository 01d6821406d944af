// The real calder-panel under Xvfb: a change is on disk within a second of the click even if killed,
// a killed copy's lock file does not stop the next start, an unreadable settings file is not overwritten.
#include "../e2e/E2eSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {
const QString kTitle = QStringLiteral("Calder USB Audio Control Panel");

QString lockFile() { return QDir::tempPath() + "/" + kTitle + ".lock"; }

// What the simulated mixer was last told about its ducker ("on" / "off").
QString duckerOnMixer()
{
    static const QRegularExpression re(R"(ducker (on|off))");
    const auto m = re.match(sim({"mixer", "0"}));
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

class TestDurability : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
        QVERIFY(m_dir.isValid());
        // The panel and calder-sim meet at this socket, whatever HOME a case gives the panel.
        qputenv("CALDER_SIM_SOCKET", QFile::encodeName(m_dir.filePath("sim.sock")));
    }
    void init()
    {
        QFile::remove(settingsFile());
        QFile::remove(lockFile());
    }

    void changeSurvivesSigkillAndStaleLock()
    {
        {
            Panel panel(QStringLiteral("alto"));
            QVERIFY2(panel.waitUntilShown(30000), qPrintable(panel.log()));
            QTRY_COMPARE_WITH_TIMEOUT(duckerOnMixer(), QStringLiteral("off"), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 5, 10000);
            click(panel.at(readTabs(panel.grab()).centres.value(2), 68));
            QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).current, 2, 5000);
            click(panel.at(53, 122));
            QElapsedTimer sinceClick;
            sinceClick.start();
            // The mixer is told at once; the panel is killed 900 ms after the click.
            while (duckerOnMixer() != "on" && sinceClick.elapsed() < 850)
                QTest::qWait(20);
            QCOMPARE(duckerOnMixer(), QStringLiteral("on"));
            QVERIFY2(sinceClick.elapsed() < 900, qPrintable(QString::number(sinceClick.elapsed())));
            while (sinceClick.elapsed() < 900)
                QTest::qWait(10);
            panel.process.kill(); // SIGKILL
            panel.process.waitForFinished(5000);
        }
        QCOMPARE(setting("Alto/Ducker/On").toInt(), 1);
        QVERIFY2(QFile::exists(lockFile()), "the killed copy should have left its lock file");

        // The next start is not stopped by the stale lock, keeps the value and sends it.
        Panel panel(QStringLiteral("alto"));
        QVERIFY2(panel.waitUntilShown(30000), "a stale lock file stopped the next start");
        QTRY_COMPARE_WITH_TIMEOUT(duckerOnMixer(), QStringLiteral("on"), 10000);
        QVERIFY2(panel.stop(), qPrintable(panel.log()));
        QCOMPARE(setting("Alto/Ducker/On").toInt(), 1);
        QVERIFY(!QFile::exists(lockFile()));
    }

    void unreadableFileIsNotOverwritten()
    {
        // As root the panel runs as "nobody", offscreen (that user may not reach the X server).
        const QString home = m_dir.filePath("nobody"), config = home + "/config";
        const QString file = config + "/Brightwell/" + kTitle + ".conf";
        const QByteArray content = "[Alto]\nDucker\\On=1\nDucker\\Sensitivity=-12\nDucker\\DuckerRange=77\n";
        QFile f(file);
        QVERIFY(QDir().mkpath(home + "/tmp") && QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        QStringList wrapper;
        if (::geteuid() == 0) {
            if (QStandardPaths::findExecutable("setpriv").isEmpty())
                QSKIP("setpriv is not installed");
            for (const QString &d : {m_dir.path(), home, config, config + "/Brightwell", home + "/tmp"})
                QCOMPARE(::chown(QFile::encodeName(d).constData(), 65534, 65534), 0);
            QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
            wrapper = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        }
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), ::geteuid() == 0 ? 0600 : 0000), 0);

        Background panel(
            wrapper.isEmpty() ? qEnvironmentVariable("CALDER_PANEL") : QStringLiteral("setpriv"),
            wrapper.isEmpty() ? QStringList() : wrapper + QStringList{qEnvironmentVariable("CALDER_PANEL")},
            {"CALDER_SIM_DEVICES=alto", "HOME=" + home, "XDG_CONFIG_HOME=" + config, "XDG_RUNTIME_DIR=" + home + "/tmp",
             "TMPDIR=" + home + "/tmp", "QT_QPA_PLATFORM=offscreen", "QT_QUICK_BACKEND=software"});
        // Up, the mixer opened with the driver's own values.
        QTRY_VERIFY_WITH_TIMEOUT(!duckerOnMixer().isEmpty(), 30000);
        QVERIFY2(panel.stop(), qPrintable(panel.log()));
        ::chmod(QFile::encodeName(file).constData(), 0600);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDurability)
#include "tst_durability.moc"
