#pragma once
// The real calder-panel driven from outside: xdotool for input, screen grabs for what is shown,
// calder-sim for what the mixer received, the settings file for what was stored.
#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace e2e {

// Runs a program to its end: its standard output, trimmed; *ok is false unless it exited with 0.
QString run(const QString &program, const QStringList &args, bool *ok = nullptr, int timeoutMs = 10000);

// A program that runs in the background until this object goes (SIGTERM, then SIGKILL).
class Background
{
public:
    Background(const QString &program, const QStringList &args, const QStringList &extraEnv = {});
    ~Background();
    bool stop(int timeoutMs = 10000); // SIGTERM and wait: true when it then exited with 0
    QString log();                    // standard error so far: the panel's debug log

    QProcess process;

private:
    QString m_log;
};

// The panel, started with the simulated mixers `devices` (CALDER_SIM_DEVICES syntax).
class Panel : public Background
{
public:
    explicit Panel(const QString &devices, const QStringList &extraEnv = {});
    bool waitUntilShown(int timeoutMs = 20000); // the window is drawn and calder-sim answers
    QString visibleWindowId() const;            // empty when not mapped
    QPoint origin() const;
    QPoint at(int x, int y) const { return origin() + QPoint(x, y); } // window to screen
    QImage grab() const;
};

void click(const QPoint &screenPos, int button = 1);
// Press, move in small steps (Qt waits for a drag distance), release.
void drag(const QPoint &from, const QPoint &to, int steps = 8);
void keys(const QString &combinations); // one or more, separated by spaces: "Tab ctrl+Tab"

QString sim(const QStringList &args, bool *ok = nullptr);
QJsonObject simState(int index);
// Parameter writes to the device, oldest first, as 16 hex digits ("00000280010207D0").
QStringList parameterWrites(int index);
int vendorReads(int index, int code);
int driverCalls(const QString &entryPoint);

QString settingsFile();
QVariant setting(const QString &key);
QStringList settingGroups();

QImage grabScreen(const QRect &rect);
QRect windowGeometry(const QString &windowId); // invalid when unknown
// A visible small window of the X class name (instance) `className`: a tray icon (at most 64 px) or a menu.
QRect smallWindow(const QString &className, bool menu);
bool isDrawn(const QImage &window); // the ribbon and tab header are on screen
// Pixels of `rect` that differ clearly from `background`.
int inkPixels(const QImage &image, const QRect &rect, QRgb background);
// Pixels of `rect` that differ between two pictures by more than `tolerance` (channel sum).
int changedPixels(const QImage &a, const QImage &b, const QRect &rect, int tolerance = 0);

// The tab bar as drawn: centres of the labels and the underlined (current) tab, -1 when none.
struct Tabs
{
    QVector<int> centres;
    int current = -1;
};
Tabs readTabs(const QImage &window);

} // namespace e2e
