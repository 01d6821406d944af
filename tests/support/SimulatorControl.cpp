#include "SimulatorControl.h"

#include <QFile>
#include <QtGlobal>

#include <dlfcn.h>

// A list of names, not statements: kept as written.
// clang-format off
#define CALDER_SIM_FUNCTIONS(X)                                                                             \
    X(Reset) X(Plug) X(Unplug) X(DeviceCount) X(Notify) X(OpenHandleCount) X(SetDeviceIds)                \
    X(SetDeviceStrings) X(SetSampleRate) X(RequestCount) X(GetRequest) X(ClearRequests)      \
    X(GetMixerState) X(SetMeterLevel) X(SetMeterSignal) X(SetDebugStatus) X(SetApiVersion)                 \
    X(SetDriverInfo) X(SetAsio) X(GetAsio) X(AsioInstanceWord) X(SetClientInfo) X(SetStreamFormats)        \
    X(SetCurrentFormat) X(GetCurrentFormat) X(SetSelectionMode) X(SetChannelCount) X(GetChannelCount)      \
    X(SetChannel) X(GetChannel) X(SetChannelName) X(SetFault) X(SetDelay) X(ClearFaults) X(CallCount)      \
    X(ResetCallCounts) X(GetState) X(Command)
// clang-format on

struct SimulatorControl::Functions
{
#define CALDER_SIM_FIELD(name) decltype(&CalderSim_##name) name = nullptr;
    CALDER_SIM_FUNCTIONS(CALDER_SIM_FIELD)
#undef CALDER_SIM_FIELD
};

SimulatorControl::SimulatorControl(const QString &libraryPath) : f(new Functions)
{
    const QString path = libraryPath.isEmpty() ? qEnvironmentVariable("CALDER_SIM_LIBRARY") : libraryPath;
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty()) {
        m_error = QStringLiteral("CALDER_SIM_LIBRARY is not set");
        return;
    }
    // Share the instance the panel's loader holds; otherwise load it (the loader's later
    // dlopen of the same file then finds this one).
    m_library = dlopen(native.constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!m_library)
        m_library = dlopen(native.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_library) {
        m_error = QString::fromLocal8Bit(dlerror());
        return;
    }
    bool all = true;
#define CALDER_SIM_RESOLVE(name)                                                                   \
    f->name = reinterpret_cast<decltype(&CalderSim_##name)>(dlsym(m_library, "CalderSim_" #name)); \
    if (!f->name) {                                                                                \
        all = false;                                                                               \
        m_error = QStringLiteral("missing CalderSim_" #name);                                      \
    }
    CALDER_SIM_FUNCTIONS(CALDER_SIM_RESOLVE)
#undef CALDER_SIM_RESOLVE
    m_valid = all;
}

SimulatorControl::~SimulatorControl()
{
    if (m_library)
        dlclose(m_library);
    delete f;
}

int SimulatorControl::reset(const QString &devices) { return f->Reset(devices.toUtf8().constData()); }
int SimulatorControl::plug(const QString &model) { return f->Plug(model.toUtf8().constData()); }
bool SimulatorControl::unplug(int index) { return f->Unplug(quint32(index)) == 0; }
int SimulatorControl::deviceCount() const { return int(f->DeviceCount()); }
int SimulatorControl::notify(int index) { return f->Notify(quint32(index)); }
int SimulatorControl::openHandleCount(int index) const { return f->OpenHandleCount(quint32(index)); }

bool SimulatorControl::setDeviceIds(int index, quint32 vendorId, quint32 productId, quint32 revision)
{
    return f->SetDeviceIds(quint32(index), vendorId, productId, revision) == 0;
}

bool SimulatorControl::setDeviceStrings(int index, const QString &serial, const QString &manufacturer,
                                        const QString &product)
{
    const QByteArray s = serial.toUtf8(), m = manufacturer.toUtf8(), p = product.toUtf8();
    return f->SetDeviceStrings(quint32(index), serial.isNull() ? nullptr : s.constData(),
                               manufacturer.isNull() ? nullptr : m.constData(),
                               product.isNull() ? nullptr : p.constData()) == 0;
}

bool SimulatorControl::setSampleRate(int index, quint32 hz) { return f->SetSampleRate(quint32(index), hz) == 0; }

QList<CalderSimRequest> SimulatorControl::requests(int index) const
{
    QList<CalderSimRequest> out;
    const int n = f->RequestCount(quint32(index));
    for (int i = 0; i < n; ++i) {
        CalderSimRequest r{};
        if (f->GetRequest(quint32(index), quint32(i), &r) != 0)
            break;
        out.append(r);
    }
    return out;
}

QList<QByteArray> SimulatorControl::requestLog(int index, bool includeFailed) const
{
    QList<QByteArray> out;
    for (const CalderSimRequest &r : requests(index)) {
        if (r.direction == 0 && (includeFailed || r.status == 0))
            out.append(QByteArray(reinterpret_cast<const char *>(r.data), 8));
    }
    return out;
}

bool SimulatorControl::clearRequests(int index) { return f->ClearRequests(quint32(index)) == 0; }

CalderSimMixerState SimulatorControl::mixerState(int index) const
{
    CalderSimMixerState s{};
    f->GetMixerState(quint32(index), &s);
    return s;
}

bool SimulatorControl::setMeterLevel(int index, qint32 level) { return f->SetMeterLevel(quint32(index), level) == 0; }

bool SimulatorControl::setMeterSignal(int index, quint32 kind, quint32 periodMs)
{
    return f->SetMeterSignal(quint32(index), kind, periodMs) == 0;
}

bool SimulatorControl::setDebugStatus(int index, const QByteArray &block8)
{
    if (!block8.isEmpty() && block8.size() != 8)
        return false;
    return f->SetDebugStatus(quint32(index),
                             block8.isEmpty() ? nullptr : reinterpret_cast<const uint8_t *>(block8.constData())) == 0;
}


bool SimulatorControl::setDriverInfo(quint32 major, quint32 minor, quint32 subVersion, quint32 flags)
{
    return f->SetDriverInfo(major, minor, subVersion, flags) == 0;
}

bool SimulatorControl::setAsio(const QVector<quint32> &sizes, quint32 currentSize, quint32 flags, int reportedCount)
{
    // The control function stores at most 40 sizes and reports `count` as given.
    QVector<quint32> list = sizes;
    const quint32 count = reportedCount < 0 ? quint32(sizes.size()) : quint32(reportedCount);
    while (quint32(list.size()) < count)
        list.append(0);
    return f->SetAsio(list.constData(), count, currentSize, flags) == 0;
}

quint32 SimulatorControl::asioCurrentSize() const
{
    uint32_t size = 0;
    f->GetAsio(&size, nullptr);
    return size;
}

quint32 SimulatorControl::asioFlags() const
{
    uint32_t flags = 0;
    f->GetAsio(nullptr, &flags);
    return flags;
}


bool SimulatorControl::setClientInfo(int index, quint32 streamingState, quint32 wdmClients, quint32 asioClients)
{
    return f->SetClientInfo(quint32(index), streamingState, wdmClients, asioClients) == 0;
}

bool SimulatorControl::setStreamFormats(int index, quint32 direction, const QVector<CalderSimFormat> &formats)
{
    return f->SetStreamFormats(quint32(index), direction, formats.constData(), quint32(formats.size())) == 0;
}

bool SimulatorControl::setCurrentFormat(int index, quint32 direction, quint32 formatId)
{
    return f->SetCurrentFormat(quint32(index), direction, formatId) == 0;
}

int SimulatorControl::currentFormat(int index, quint32 direction) const
{
    return f->GetCurrentFormat(quint32(index), direction);
}

bool SimulatorControl::setSelectionMode(int index, quint32 mode)
{
    return f->SetSelectionMode(quint32(index), mode) == 0;
}

bool SimulatorControl::setChannelCount(int index, quint32 direction, quint32 count)
{
    return f->SetChannelCount(quint32(index), direction, count) == 0;
}

bool SimulatorControl::setChannel(int index, quint32 direction, quint32 channel, const CalderSimChannel &state)
{
    return f->SetChannel(quint32(index), direction, channel, &state) == 0;
}

CalderSimChannel SimulatorControl::channel(int index, quint32 direction, quint32 channel, bool *ok) const
{
    CalderSimChannel c{};
    const bool good = f->GetChannel(quint32(index), direction, channel, &c) == 0;
    if (ok)
        *ok = good;
    return c;
}

bool SimulatorControl::setChannelName(int index, quint32 direction, quint32 channel, const QString &name)
{
    return f->SetChannelName(quint32(index), direction, channel, name.toUtf8().constData()) == 0;
}

bool SimulatorControl::setFault(const QString &op, quint32 status, int count)
{
    return f->SetFault(op.toUtf8().constData(), status, count) == 0;
}

bool SimulatorControl::setDelay(const QString &op, quint32 ms, int count)
{
    return f->SetDelay(op.toUtf8().constData(), ms, count) == 0;
}

void SimulatorControl::clearFaults() { f->ClearFaults(); }
quint32 SimulatorControl::callCount(const QString &op) const { return f->CallCount(op.toUtf8().constData()); }
void SimulatorControl::resetCallCounts() { f->ResetCallCounts(); }

QByteArray SimulatorControl::state(int index) const
{
    QByteArray out(int(f->GetState(index, nullptr, 0)) + 1, '\0');
    f->GetState(index, out.data(), uint32_t(out.size()));
    out.chop(1);
    return out;
}

QString SimulatorControl::command(const QString &line, bool *ok) const
{
    // A command runs once per call, so the reply buffer must be big enough the first time;
    // only read-only commands (state, requests) have long replies, and those may run again.
    const QByteArray l = line.toUtf8();
    uint32_t length = 0;
    QByteArray reply(1 << 16, '\0');
    bool good = f->Command(l.constData(), reply.data(), uint32_t(reply.size()), &length) == 0;
    if (length >= uint32_t(reply.size())) {
        reply.resize(int(length) + 1);
        good = f->Command(l.constData(), reply.data(), uint32_t(reply.size()), &length) == 0;
    }
    reply.truncate(int(qMin<uint32_t>(length, uint32_t(reply.size()) - 1)));
    if (ok)
        *ok = good;
    return QString::fromUtf8(reply);
}
