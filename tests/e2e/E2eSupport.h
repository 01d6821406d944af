#pragma once
// Driving the real calder-panel from outside, as a person at the screen would: xdotool for the
// mouse and keys, screen grabs for what is shown, calder-sim for what the mixer received and
// the settings file for what was stored. Needs an X display with a window manager.
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

// Runs a program to its end and returns its standard output, trimmed. *ok is false when it
// did not start, timed out or exited with a non-zero code.
QString run(const QString &program, const QStringList &args, bool *ok = nullptr, int timeoutMs = 10000);

// A program that runs in the background until this object goes (SIGTERM, then SIGKILL).
class Background
{
public:
    Background(const QString &program, const QStringList &args, const QStringList &extraEnv = {});
    ~Background();
    // SIGTERM and wait: true when it ended normally with exit code 0.
    bool stop(int timeoutMs = 10000);
    // Everything written to standard error so far (the panel's debug log).
    QString log();

    QProcess process;

private:
    QString m_log;
};

// The panel: started with the simulated mixers `devices` (CALDER_SIM_DEVICES syntax).
class Panel : public Background
{
public:
    explicit Panel(const QString &devices, const QStringList &extraEnv = {});
    // Waits until the 800x500 window is on screen and the simulator answers.
    bool waitUntilShown(int timeoutMs = 20000);
    // The main window's X id (found by title and size), empty when it is not mapped.
    QString visibleWindowId() const;
    // The window's top-left corner on the screen.
    QPoint origin() const;
    // Screen point of a point given in window coordinates.
    QPoint at(int x, int y) const { return origin() + QPoint(x, y); }
    // The window's current picture (800x500).
    QImage grab() const;
};

// ---- Input, through xdotool ---------------------------------------------------------------

void click(const QPoint &screenPos, int button = 1);
// Press, move in small steps (Qt waits for a drag distance), release.
void drag(const QPoint &from, const QPoint &to, int steps = 8);
void keys(const QString &combination);

// ---- What the mixer received: calder-sim over the panel's control socket -------------------

QString sim(const QStringList &args, bool *ok = nullptr);
QJsonObject simState(int index);
// Data blocks of the parameter writes to the device, oldest first, as 16 upper-case hex
// digits ("00000280010207D0"); and the number of reads with request code `code`.
QStringList parameterWrites(int index);
int vendorReads(int index, int code);
int driverCalls(const QString &entryPoint);

// ---- What was stored: the panel's settings file -----------------------------------------------

QString settingsFile();
// A fresh read of one key ("Alto/Ducker/Input 2"); invalid when absent.
QVariant setting(const QString &key);
QStringList settingGroups();

// ---- What is shown ----------------------------------------------------------------------------

QImage grabScreen(const QRect &rect);
int channelDistance(QRgb a, QRgb b);
// The window's frame (ribbon and tab header) is on screen.
bool isDrawn(const QImage &window);
// Pixels of `rect` that differ clearly from `background`.
int inkPixels(const QImage &image, const QRect &rect, QRgb background);
// Pixels of `rect` that differ between two pictures.
int changedPixels(const QImage &a, const QImage &b, const QRect &rect);

// The tab bar as it is drawn: the centres of the tab labels (found as runs of ink with wide
// gaps between them) and the index of the underlined (current) tab, -1 when none.
struct Tabs
{
    QVector<int> centres;
    int current = -1;
};
Tabs readTabs(const QImage &window);

} // namespace e2e
