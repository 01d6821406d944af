#include "E2eSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace e2e {

namespace {
const QString kTitle = QStringLiteral("Calder USB Audio Control Panel");

QProcessEnvironment environmentWith(const QStringList &extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // As on a desktop: X windows and the renderer the panel picks there, not the test runner's
    // offscreen software settings.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("QT_QUICK_BACKEND"));
    for (const QString &kv : extra)
        env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    return env;
}

int channelDistance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}
} // namespace

bool isDrawn(const QImage &window)
{
    return window.width() >= 800 && channelDistance(window.pixel(400, 10), qRgb(0x00, 0x25, 0x38)) < 20 &&
           channelDistance(window.pixel(3, 60), qRgb(0xFF, 0xFF, 0xFF)) < 20;
}

QString run(const QString &program, const QStringList &args, bool *ok, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(environmentWith({}));
    p.start(program, args);
    const bool finished = p.waitForFinished(timeoutMs);
    if (!finished)
        p.kill();
    if (ok)
        *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

Background::Background(const QString &program, const QStringList &args, const QStringList &extraEnv)
{
    process.setProcessEnvironment(environmentWith(extraEnv));
    process.start(program, args);
    process.waitForStarted(5000);
}

Background::~Background()
{
    if (!stop(5000))
        process.kill();
    process.waitForFinished(3000);
}

bool Background::stop(int timeoutMs)
{
    if (process.state() != QProcess::NotRunning)
        process.terminate();
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString Background::log()
{
    m_log += QString::fromLocal8Bit(process.readAllStandardError());
    return m_log;
}

Panel::Panel(const QString &devices, const QStringList &extraEnv)
    : Background(qEnvironmentVariable("CALDER_PANEL"), {},
                 QStringList{QStringLiteral("CALDER_SIM_DEVICES=") + devices} + extraEnv)
{}

QString Panel::visibleWindowId() const
{
    const QString ids = run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", "^" + kTitle + "$"});
    for (const QString &id : ids.split('\n', Qt::SkipEmptyParts))
        if (windowGeometry(id).size() == QSize(800, 500))
            return id;
    return QString();
}

bool Panel::waitUntilShown(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (process.state() != QProcess::Running)
            return false;
        // Without calder-sim (another driver library) the window alone tells.
        bool simOk = qEnvironmentVariableIsEmpty("CALDER_SIM");
        if (!simOk)
            sim({"list"}, &simOk);
        if (simOk && !visibleWindowId().isEmpty() && isDrawn(grab()))
            return true;
        QTest::qWait(100);
    }
    return false;
}

QPoint Panel::origin() const
{
    const QString id = visibleWindowId();
    return id.isEmpty() ? QPoint(-10000, -10000) : windowGeometry(id).topLeft();
}

QRect windowGeometry(const QString &windowId)
{
    const QString g = run(QStringLiteral("xdotool"), {"getwindowgeometry", windowId});
    static const QRegularExpression re(QStringLiteral("Position: (-?\\d+),(-?\\d+).*Geometry: (\\d+)x(\\d+)"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(g);
    const auto n = [&m](int i) { return m.captured(i).toInt(); };
    return m.hasMatch() ? QRect(n(1), n(2), n(3), n(4)) : QRect();
}

QRect smallWindow(const QString &className, bool menu)
{
    const QString ids = run("xdotool", {"search", "--onlyvisible", "--classname", "^" + className + "$"});
    for (const QString &id : ids.split('\n', Qt::SkipEmptyParts)) {
        const QRect g = windowGeometry(id);
        if (g.width() > 4 && g.width() < 400 && g.height() > 4 && g.height() < 300 &&
            (menu ? g.width() > 64 : g.width() <= 64 && g.height() <= 64))
            return g;
    }
    return QRect();
}

QImage Panel::grab() const { return grabScreen(QRect(origin(), QSize(800, 500))); }

// No --sync on the moves: xdotool then waits for a pointer motion, which never comes when the
// pointer is already there.
void click(const QPoint &screenPos, int button)
{
    run(QStringLiteral("xdotool"), {"mousemove", QString::number(screenPos.x()), QString::number(screenPos.y()),
                                    "sleep", "0.05", "click", QString::number(button)});
}

void drag(const QPoint &from, const QPoint &to, int steps)
{
    QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.05", "mousedown",
                     "1"};
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        args += QStringList{"sleep", "0.03", "mousemove", QString::number(p.x()), QString::number(p.y())};
    }
    run(QStringLiteral("xdotool"), args + QStringList{"sleep", "0.1", "mouseup", "1"});
}

void keys(const QString &combinations)
{
    run(QStringLiteral("xdotool"), QStringList{"key", "--clearmodifiers", "--delay", "60"} + combinations.split(' '));
}

QString sim(const QStringList &args, bool *ok) { return run(qEnvironmentVariable("CALDER_SIM"), args, ok); }

QJsonObject simState(int index)
{
    return QJsonDocument::fromJson(sim({"state", QString::number(index)}).toUtf8()).object();
}

QStringList parameterWrites(int index)
{
    // Lines: "OUT 10  00 00 04 00 03 00 00 00" (direction, request code, data block).
    QStringList writes;
    for (const QString &line : sim({"requests", QString::number(index)}).split('\n')) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() == 10 && f.at(0) == QLatin1String("OUT") && f.at(1) == QLatin1String("10"))
            writes << f.mid(2).join(QString());
    }
    return writes;
}

int vendorReads(int index, int code)
{
    const QString codeText = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    int n = 0;
    for (const QString &line : sim({"requests", QString::number(index)}).split('\n')) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() >= 2 && f.at(0) == QLatin1String("IN") && f.at(1) == codeText)
            ++n;
    }
    return n;
}

int driverCalls(const QString &entryPoint)
{
    bool ok = false;
    const int n = sim({"calls", entryPoint}).toInt(&ok); // prints the count alone
    return ok ? n : -1;
}

QString settingsFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brightwell/") + kTitle + QStringLiteral(".conf");
}

namespace {
// A private copy: QSettings caches files by name, and the panel rewrites this one meanwhile.
template <typename F>
auto withSettingsCopy(F f)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.conf"));
    QFile::copy(settingsFile(), copy);
    QSettings s(copy, QSettings::IniFormat);
    return f(s);
}
} // namespace

QVariant setting(const QString &key)
{
    return withSettingsCopy([&](QSettings &s) { return s.value(key); });
}

QStringList settingGroups()
{
    return withSettingsCopy([](QSettings &s) { return s.childGroups(); });
}

QImage grabScreen(const QRect &rect)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

int inkPixels(const QImage &image, const QRect &rect, QRgb background)
{
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (channelDistance(image.pixel(x, y), background) > 90)
                ++n;
    return n;
}

int changedPixels(const QImage &a, const QImage &b, const QRect &rect, int tolerance)
{
    int n = 0;
    const QRect r = rect.intersected(a.rect()).intersected(b.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (channelDistance(a.pixel(x, y), b.pixel(x, y)) > tolerance)
                ++n;
    return n + (rect.width() * rect.height() - r.width() * r.height());
}

Tabs readTabs(const QImage &window)
{
    // Labels are runs of ink in the header's middle rows; the current tab's underline
    // (#007CBB) is in rows 83-84. A focus frame on a tab is no label.
    Tabs tabs;
    if (window.width() < 800 || window.height() < 90)
        return tabs;
    const QRgb background = window.pixel(3, 60);
    int runStart = -1, lastInk = -1000;
    auto closeRun = [&] {
        if (runStart >= 0)
            tabs.centres << (runStart + lastInk) / 2;
    };
    for (int x = 2; x < 798; ++x) {
        bool ink = false;
        for (int y = 56; y <= 80 && !ink; ++y)
            ink = channelDistance(window.pixel(x, y), background) > 90 &&
                  channelDistance(window.pixel(x, y), qRgb(0x49, 0x90, 0xE2)) > 60; // not the focus frame
        if (!ink)
            continue;
        if (x - lastInk > 30) { // words of one label are closer than this
            closeRun();
            runStart = x;
        }
        lastInk = x;
    }
    closeRun();

    int left = -1, right = -1;
    for (int x = 0; x < 800; ++x) {
        if (channelDistance(window.pixel(x, 83), qRgb(0x00, 0x7C, 0xBB)) < 30) {
            if (left < 0)
                left = x;
            right = x;
        }
    }
    if (left >= 0) {
        const int middle = (left + right) / 2;
        for (int i = 0; i < tabs.centres.size(); ++i)
            if (qAbs(tabs.centres.at(i) - middle) < 40)
                tabs.current = i;
    }
    return tabs;
}

} // namespace e2e
