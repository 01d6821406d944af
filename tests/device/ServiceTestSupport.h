#pragma once
// Shared by the communication-service tests: log capture, a recording listener that knows
// whether it is still alive, and the simulator's view of the device list.
#include "SimulatorControl.h"
#include "device/IPnPEventListener.h"
#include "device/ICommunicationReplyListener.h"
#include "device/LumenCommunicationService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Collects every debug line while it exists.
class LogCapture
{
public:
    LogCapture()
    {
        s_lines.clear();
        s_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }
    static QStringList &lines() { return s_lines; }
    static int count(const QString &line) { return int(s_lines.count(line)); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
    {
        if (type == QtDebugMsg)
            s_lines.append(msg);
        else if (s_previous)
            s_previous(type, context, msg);
    }
    inline static QStringList s_lines;
    inline static QtMessageHandler s_previous = nullptr;
};

// Stands in for a page view model and the top bar at once. Every callback first checks that
// the object is still alive, so a call into a destroyed listener is counted (and, under
// AddressSanitizer, reported) instead of passing unnoticed.
class TestListener : public ICommunicationReplyListener, public IPnPEventListener
{
public:
    explicit TestListener(LumenCommunicationService &service) : m_service(service) { s_live.insert(this); }
    ~TestListener() override
    {
        m_service.clearReplyListener(this);
        m_service.clearPnPEventListener(this);
        s_live.remove(this);
    }

    void onDeviceStateChanged() override { record(QStringLiteral("stateChanged")); }
    void onConnectionFailed() override { record(QStringLiteral("failed")); }
    void onDeviceNotification() override { record(QStringLiteral("notification")); }
    void onDeviceArrived() override { record(QStringLiteral("arrived")); }
    void onDeviceRemoved() override { record(QStringLiteral("removed")); }

    QStringList calls;
    // Runs after a callback is recorded; may delete this object.
    std::function<void(TestListener *, const QString &)> onCall;
    static int deadCalls() { return s_deadCalls; }
    static int liveCount() { return s_live.size(); }

private:
    void record(const QString &what)
    {
        if (!s_live.contains(this)) {
            ++s_deadCalls;
            return;
        }
        calls.append(what);
        // A copy: the hook may delete this object, and with it onCall.
        if (const auto hook = onCall)
            hook(this, what);
    }
    LumenCommunicationService &m_service;
    inline static QSet<const TestListener *> s_live;
    inline static int s_deadCalls = 0;
};

inline QString hexBlock(const QByteArray &b) { return QString::fromLatin1(b.toHex(' ').toUpper()); }

inline QStringList outBlocks(const SimulatorControl &sim, int index)
{
    QStringList out;
    for (const QByteArray &b : sim.requestLog(index))
        out << hexBlock(b);
    return out;
}

// The names the service should list for the simulator's current devices.
inline QStringList simulatorDeviceNames(const SimulatorControl &sim)
{
    QStringList names;
    for (int i = 0; i < sim.deviceCount(); ++i) {
        const QJsonObject d = QJsonDocument::fromJson(sim.state(i)).object();
        if (d.value(QStringLiteral("usbMode")).toInt() != 1)
            names << d.value(QStringLiteral("product")).toString() + ' ' + d.value(QStringLiteral("serial")).toString();
    }
    return names;
}
