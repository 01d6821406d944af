#pragma once
// Test-side handle on the simulated driver: resolves the CalderSim_ control functions from the
// library at CALDER_SIM_LIBRARY. When the panel's loader has already loaded it, the same loaded
// instance is used, so a test drives exactly the simulator the code under test talks to.
#include "CalderSimControl.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

class SimulatorControl
{
public:
    // Loads (or finds) the library; isValid() tells whether every control function resolved.
    explicit SimulatorControl(const QString &libraryPath = QString());
    ~SimulatorControl();
    SimulatorControl(const SimulatorControl &) = delete;
    SimulatorControl &operator=(const SimulatorControl &) = delete;

    bool isValid() const { return m_valid; }
    QString errorString() const { return m_error; }

    // Device list (indexes are positions among the devices plugged in now).
    int reset(const QString &devices);
    int plug(const QString &model);
    bool unplug(int index);
    int deviceCount() const;
    int notify(int index);
    int openHandleCount(int index) const;

    bool setDeviceIds(int index, quint32 vendorId, quint32 productId, quint32 revision);
    // Null QString keeps the string.
    bool setDeviceStrings(int index, const QString &serial, const QString &manufacturer, const QString &product);
    bool setSampleRate(int index, quint32 hz);

    QList<CalderSimRequest> requests(int index) const;
    // The 8-byte blocks of the OUT requests, in order (by default only those that succeeded).
    QList<QByteArray> requestLog(int index, bool includeFailed = false) const;
    bool clearRequests(int index);
    CalderSimMixerState mixerState(int index) const;
    bool setMeterLevel(int index, qint32 level);
    bool setMeterSignal(int index, quint32 kind, quint32 periodMs = 0);
    // Empty: live values again.
    bool setDebugStatus(int index, const QByteArray &block8);

    bool setDriverInfo(quint32 major, quint32 minor, quint32 subVersion, quint32 flags);
    bool setAsio(const QVector<quint32> &sizes, quint32 currentSize, quint32 flags, int reportedCount = -1);
    quint32 asioCurrentSize() const;
    quint32 asioFlags() const;

    bool setClientInfo(int index, quint32 streamingState, quint32 wdmClients, quint32 asioClients);
    bool setStreamFormats(int index, quint32 direction, const QVector<CalderSimFormat> &formats);
    bool setCurrentFormat(int index, quint32 direction, quint32 formatId);
    int currentFormat(int index, quint32 direction) const;
    bool setSelectionMode(int index, quint32 mode);
    bool setChannelCount(int index, quint32 direction, quint32 count);
    bool setChannel(int index, quint32 direction, quint32 channel, const CalderSimChannel &state);
    CalderSimChannel channel(int index, quint32 direction, quint32 channel, bool *ok = nullptr) const;
    bool setChannelName(int index, quint32 direction, quint32 channel, const QString &name);

    // Faults and counters. Count < 0: until cleared.
    bool setFault(const QString &op, quint32 status, int count = -1);
    bool setDelay(const QString &op, quint32 ms, int count = -1);
    void clearFaults();
    quint32 callCount(const QString &op = QStringLiteral("*")) const;
    void resetCallCounts();

    QByteArray state(int index = -1) const;
    // The command's reply; *ok tells whether it succeeded.
    QString command(const QString &line, bool *ok = nullptr) const;

private:
    void *m_library = nullptr;
    bool m_valid = false;
    QString m_error;
    struct Functions;
    Functions *f = nullptr;
};
