// Nothing the user sets is lost, with the real calder-panel under Xvfb: a setting changed
// through the page is on disk within one second even when the program is then killed with
// SIGKILL; the lock file the killed copy leaves does not stop the next start; a corrupt or
// unreadable settings file neither crashes the panel nor gets overwritten with defaults.
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kTitle = QStringLiteral("Calder USB Audio Control Panel");
// Where the frameless window's parts are, from its top-left corner, in a window of
// kMeasuredSize (the size the panel scales its 800x500 to on Xvfb's 100 dpi): the tab bar's
// "Ducker" tab, third of five, and the ducker page's on/off switch. Other sizes scale them.
const QSize kMeasuredSize(833, 521);
const QPoint kDuckerTab(415, 71);
const QPoint kDuckerSwitch(54, 125);

QString run(const QString &program, const QStringList &args, int timeoutMs = 5000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The panel's main window (the largest one with its title), once it is mapped.
bool waitForWindow(QRect *window, int timeoutMs)
{
    static const QRegularExpression re(R"(Position: (-?\d+),(-?\d+).*?Geometry: (\d+)x(\d+))",
                                       QRegularExpression::DotMatchesEverythingOption);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        const QString out =
            run("xdotool", {"search", "--onlyvisible", "--name", "^" + kTitle + "$", "getwindowgeometry", "%@"});
        for (auto it = re.globalMatch(out); it.hasNext();) {
            const auto m = it.next();
            const QRect r(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
            if (r.width() >= 400 && r.height() >= 250) {
                *window = r;
                return true;
            }
        }
        QTest::qWait(100);
    }
    return false;
}

void click(const QRect &window, const QPoint &measured)
{
    const QPoint p = window.topLeft() + QPoint(measured.x() * window.width() / kMeasuredSize.width(),
                                               measured.y() * window.height() / kMeasuredSize.height());
    run("xdotool", {"mousemove", "--sync", QString::number(p.x()), QString::number(p.y()), "click", "1"});
}

QString settingsFile() { return qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brightwell/" + kTitle + ".conf"; }

QString lockFile() { return QDir::tempPath() + "/" + kTitle + ".lock"; }

QVariant stored(const QString &key)
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    return s.value(key);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The panel as a child process, with its own simulator control socket.
class PanelProcess
{
public:
    explicit PanelProcess(const QString &socketDir)
    {
        m_socket = socketDir + "/sim.sock";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CALDER_SIM_DEVICES", "alto");
        env.insert("CALDER_SIM_SOCKET", m_socket);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
    }
    ~PanelProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    QProcess &process() { return m_process; }
    void start(const QString &program, const QStringList &args = {})
    {
        m_process.start(program, args);
        m_process.waitForStarted(5000);
    }
    // What the simulated mixer was last told about its ducker ("on" / "off").
    QString duckerOnMixer() const
    {
        const QString out = run(qEnvironmentVariable("CALDER_SIM_TOOL"), {"--socket", m_socket, "mixer", "0"});
        static const QRegularExpression re(R"(ducker (on|off))");
        const auto m = re.match(out);
        return m.hasMatch() ? m.captured(1) : QString();
    }
    void kill9()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
    // Ends it the way a logout does; true when it ended normally (no crash, exit code 0).
    bool terminate()
    {
        m_process.terminate();
        return m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
    QString m_socket;
};
} // namespace

class TestDurability : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void changeSurvivesSigkillAndStaleLock();
    void corruptFileKeepsUserValues();
    void unreadableFileIsNotOverwritten();

private:
    void screenshot(const QString &name);
    QTemporaryDir m_dir;
};

void TestDurability::initTestCase()
{
    QVERIFY(QFileInfo(TestEnvironment::panelExecutable()).isExecutable());
    QVERIFY(QFileInfo(qEnvironmentVariable("CALDER_SIM_TOOL")).isExecutable());
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        QSKIP("xdotool is not installed");
    QVERIFY(!qEnvironmentVariable("DISPLAY").isEmpty());
    QVERIFY(m_dir.isValid());
}

void TestDurability::init()
{
    QFile::remove(settingsFile());
    QFile::remove(lockFile());
}

void TestDurability::screenshot(const QString &name)
{
    const QString path = QDir::currentPath() + "/" + name + ".png";
    run("import", {"-window", "root", path});
    qWarning("screen saved to %s", qPrintable(path));
}

void TestDurability::changeSurvivesSigkillAndStaleLock()
{
    QRect origin;
    {
        PanelProcess panel(m_dir.path());
        panel.start(TestEnvironment::panelExecutable());
        QVERIFY2(waitForWindow(&origin, 30000), "the panel's window did not appear");
        QTRY_COMPARE_WITH_TIMEOUT(panel.duckerOnMixer(), QStringLiteral("off"), 10000);

        click(origin, kDuckerTab);
        QTest::qWait(1000); // the page is loaded and activated
        click(origin, kDuckerSwitch);
        QElapsedTimer sinceClick;
        sinceClick.start();
        // The switch reached the page: the mixer is told at once.
        while (panel.duckerOnMixer() != "on" && sinceClick.elapsed() < 850)
            QTest::qWait(20);
        if (panel.duckerOnMixer() != "on")
            screenshot("durability_click_missed");
        QCOMPARE(panel.duckerOnMixer(), QStringLiteral("on"));
        QVERIFY2(sinceClick.elapsed() < 900, qPrintable(QString::number(sinceClick.elapsed())));
        while (sinceClick.elapsed() < 900)
            QTest::qWait(10);
        panel.kill9();
    }
    QCOMPARE(stored("Alto/Ducker/On").toInt(), 1);
    QVERIFY2(QFile::exists(lockFile()), "the killed copy should have left its lock file");

    // The next start is not stopped by the stale lock, keeps the value and sends it.
    {
        PanelProcess panel(m_dir.path());
        panel.start(TestEnvironment::panelExecutable());
        QVERIFY2(waitForWindow(&origin, 30000), "a stale lock file stopped the next start");
        QTRY_COMPARE_WITH_TIMEOUT(panel.duckerOnMixer(), QStringLiteral("on"), 10000);
        QCOMPARE(panel.process().state(), QProcess::Running);
        QVERIFY(panel.terminate());
    }
    QCOMPARE(stored("Alto/Ducker/On").toInt(), 1);
    QVERIFY(!QFile::exists(lockFile()));
}

void TestDurability::corruptFileKeepsUserValues()
{
    QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
    QFile f(settingsFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(
        "[Alto]\nDucker\\Sensitivity=-12\n\xff\xfe\x01 garbage = = =\n[unterminated\n"
        "@Variant(\\x7f\n[Alto]\nDucker\\DuckerRange=77\nAudioRouting\\Input12=3\n");
    f.close();

    PanelProcess panel(m_dir.path());
    panel.start(TestEnvironment::panelExecutable());
    QRect origin;
    QVERIFY2(waitForWindow(&origin, 30000), "the panel did not come up with a corrupt settings file");
    QTRY_VERIFY_WITH_TIMEOUT(!panel.duckerOnMixer().isEmpty(), 10000);
    QVERIFY2(panel.terminate(), "the panel did not end normally");
    QCOMPARE(stored("Alto/Ducker/Sensitivity").toInt(), -12);
    QCOMPARE(stored("Alto/Ducker/DuckerRange").toInt(), 77);
    QCOMPARE(stored("Alto/AudioRouting/Input12").toInt(), 3);
}

void TestDurability::unreadableFileIsNotOverwritten()
{
    // The settings file cannot be read by the user running the panel (left behind by a run
    // with other rights, say). As root the panel is run as "nobody"; offscreen, since that
    // user may not reach the X server.
    const QString home = m_dir.path() + "/nobody";
    const QString config = home + "/config";
    QVERIFY(QDir().mkpath(config + "/Brightwell"));
    QVERIFY(QDir().mkpath(home + "/tmp"));
    const QString file = config + "/Brightwell/" + kTitle + ".conf";
    const QByteArray content = "[Alto]\nDucker\\On=1\nDucker\\Sensitivity=-12\nDucker\\DuckerRange=77\n";
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QStringList wrapper;
    const uid_t nobody = 65534;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("setpriv is not installed");
        // The folders are the user's; only the file is not readable by them.
        for (const QString &d : {m_dir.path(), home, config, config + "/Brightwell", home + "/tmp"})
            QCOMPARE(::chown(QFile::encodeName(d).constData(), nobody, nobody), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
        wrapper = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    if (::geteuid() != 0)
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0000), 0);

    PanelProcess panel(home);
    QProcessEnvironment env = panel.process().processEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("XDG_RUNTIME_DIR", home + "/tmp");
    env.insert("TMPDIR", home + "/tmp");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_QUICK_BACKEND", "software");
    panel.process().setProcessEnvironment(env);
    if (wrapper.isEmpty())
        panel.start(TestEnvironment::panelExecutable());
    else
        panel.start("setpriv", wrapper + QStringList{TestEnvironment::panelExecutable()});
    // Up, the mixer opened (its stored settings, unreadable, fall back to what the driver has).
    QTRY_VERIFY_WITH_TIMEOUT(!panel.duckerOnMixer().isEmpty(), 30000);
    QTest::qWait(500);
    QCOMPARE(panel.process().state(), QProcess::Running);
    QVERIFY2(panel.terminate(), "the panel did not end normally");

    ::chmod(QFile::encodeName(file).constData(), 0600);
    QCOMPARE(readAll(file), content);
}

QTEST_MAIN(TestDurability)
#include "tst_durability.moc"
