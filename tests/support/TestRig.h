#pragma once
// The rig of the tests that run the panel's own objects on the simulated driver.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "app/AppRegistrations.h"
#include "app/UIService.h"
#include "core/IActivityAware.h"
#include "core/MessageBus.h"
#include "core/ServiceContainer.h"
#include "device/ICommunicationReplyListener.h"
#include "device/IPnPEventListener.h"
#include "device/LumenCommunicationService.h"
#include "settings/ModelStores.h"
#include "viewmodels/AudioRoutingVM.h"
#include "viewmodels/BufferSettingsVM.h"
#include "viewmodels/ClientInfoVM.h"
#include "viewmodels/DuckerVM.h"
#include "viewmodels/FormatVM.h"
#include "viewmodels/InfoVM.h"
#include "viewmodels/MainTopBarVM.h"
#include "viewmodels/ShellVM.h"
#include "viewmodels/StatusVM.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/VolumeVM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMutex>
#include <QSet>
#include <QSettings>
#include <QSharedPointer>
#include <QStringList>
#include <QThreadPool>
#include <QVariant>
#include <QtTest>

#include <functional>
#include <memory>

namespace testrig {

// Every debug line while it exists; guarded, as the meter logs from a pool thread.
class LogCapture
{
public:
    LogCapture()
    {
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
        s_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&s_mutex);
        return s_lines;
    }
    void clear()
    {
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
    }
    // Lines starting with `text`, newlines trimmed: stream-style lines may carry a value after it.
    bool has(const QString &text) const { return count(text) > 0; }
    int count(const QString &text) const
    {
        const QString want = text.trimmed();
        int n = 0;
        for (const QString &l : lines())
            n += l.trimmed().startsWith(want) ? 1 : 0;
        return n;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
    {
        if (type == QtDebugMsg) {
            QMutexLocker lock(&s_mutex);
            s_lines.append(msg);
        } else if (s_previous) {
            s_previous(type, context, msg);
        }
    }
    inline static QMutex s_mutex;
    inline static QStringList s_lines;
    inline static QtMessageHandler s_previous = nullptr;
};

// Stands in for a page and the top bar; a call into a destroyed one is counted, not missed.
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

inline void initApplicationIdentity()
{
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
}

// Uppercase hex with spaces, e.g. "00 00 02 80 01 01 07 D0".
inline QByteArray hex(const QByteArray &block) { return block.toHex(' ').toUpper(); }

// Every OUT block the device received, as hex text.
inline QStringList outBlocks(const SimulatorControl &sim, int index)
{
    QStringList out;
    for (const QByteArray &b : sim.requestLog(index))
        out << QString::fromLatin1(hex(b));
    return out;
}

// The last OUT block of one parameter id, as uppercase hex; empty when there was none.
inline QString lastBlockOf(const SimulatorControl &sim, int device, uint16_t parameterId)
{
    const QList<QByteArray> log = sim.requestLog(device);
    for (auto b = log.crbegin(); b != log.crend(); ++b) {
        if (uint8_t((*b)[2]) == (parameterId >> 8) && uint8_t((*b)[3]) == (parameterId & 0xFF))
            return QString::fromLatin1(hex(*b));
    }
    return QString();
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

inline int storedInt(const QString &path) { return QSettings().value(path).toInt(); }

// Every stored key and value, as a fresh reader sees them on disk.
inline QMap<QString, QVariant> storedSettings()
{
    QSettings s;
    s.sync();
    QMap<QString, QVariant> all;
    for (const QString &k : s.allKeys())
        all.insert(k, s.value(k));
    return all;
}

inline void replaceStoredSettings(const QMap<QString, QVariant> &values)
{
    QSettings s;
    s.clear();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        s.setValue(it.key(), it.value());
    s.sync();
}

class ConnectedRecorder : public QObject
{
public:
    explicit ConnectedRecorder(MessageBus &bus) : m_bus(bus)
    {
        m_bus.subscribe(this, &ConnectedRecorder::onConnected, ViewModelTexts::kMsgConnected);
    }
    ~ConnectedRecorder() override
    {
        m_bus.unsubscribe(this, &ConnectedRecorder::onConnected, ViewModelTexts::kMsgConnected);
    }

    QList<bool> values;

private:
    void onConnected(QVariant value) { values << value.toBool(); }

    MessageBus &m_bus;
};

// A device list and the real service on it, with the stores start-up gives it.
struct Rig
{
    SimulatorControl sim;
    QSharedPointer<LumenCommunicationService> service;
    QSharedPointer<MessageBus> bus{new MessageBus};

    // Runs between the reset and the service's construction (device ids, strings, faults).
    std::function<void()> configure = [] {};

    // With `open` >= 0 the service opens that device as the status page's pick does (two or more
    // devices keep the 2 s single-device reconnect away). Device 0's log and the counts start empty.
    bool start(const QString &devices, int open = -1)
    {
        if (!sim.isValid() || sim.reset(devices) < 0)
            return false;
        configure();
        service.reset(new LumenCommunicationService(&ModelStores::create));
        if (open >= 0) {
            service->setDeviceIndex(uint32_t(open));
            service->onConnectionRequest();
            if (!service->deviceHandle())
                return false;
        }
        sim.clearRequests(0);
        sim.resetCallCounts();
        return true;
    }

    // One device, opened by the service itself; `configure` runs on the fresh device before that.
    template <typename Configure>
    bool startSingle(const QString &device, Configure configure)
    {
        service.reset();
        if (!sim.isValid() || sim.reset(device) != 1)
            return false;
        configure();
        service.reset(new LumenCommunicationService(&ModelStores::create));
        sim.resetCallCounts();
        return service->deviceHandle() != nullptr;
    }
    bool startSingle(const QString &device)
    {
        return startSingle(device, [] {});
    }
};

// What a view shows: every property of the page, plus the rows of the volume page's list.
inline QMap<QString, QVariant> shownValues(QObject *vm)
{
    QMap<QString, QVariant> shown;
    const QMetaObject *mo = vm->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        const QVariant v = p.read(vm);
        if (v.canConvert<QObject *>() && !v.canConvert<QString>())
            continue;
        shown.insert(QString::fromLatin1(p.name()), v);
    }
    if (auto *volume = qobject_cast<VolumeVM *>(vm)) {
        ChannelsListModel *rows = volume->channels();
        shown.insert(QStringLiteral("rows"), rows->rowCount());
        const QHash<int, QByteArray> roles = rows->roleNames();
        for (int r = 0; r < rows->rowCount(); ++r)
            for (auto it = roles.cbegin(); it != roles.cend(); ++it)
                shown.insert(QStringLiteral("row%1.%2").arg(r).arg(QString::fromLatin1(it.value())),
                             rows->data(rows->index(r), it.key()));
    }
    return shown;
}

// Runs the event loop for `ms` or until `done` holds.
inline bool spin(int ms, const std::function<bool()> &done = {})
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (done && done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(1);
    }
    return done ? done() : true;
}

// The service set start-up builds, the top bar as the PnP listener, pages from the factories.
// Without the window there is no QML loader thread, whose handovers inside Qt only add TSan noise.
struct Panel
{
    enum Window { WithWindow, WithoutWindow };

    ServiceContainer container;
    QSharedPointer<LumenCommunicationService> service;
    QSharedPointer<MainTopBarVM> topBar;

    explicit Panel(Window window = WithWindow)
    {
        if (window == WithWindow) {
            registerServices(container);
        } else {
            container.registerInstance(new MessageBus());
            container.registerInstance(new ShellVM());
            container.registerInstance(new UIService(container.resolve<ShellVM>()));
            container.registerInstance(new LumenCommunicationService(&ModelStores::create));
            container.registerFactory<MainTopBarVM>([this] {
                return new MainTopBarVM(container.resolve<UIService>(), container.resolve<LumenCommunicationService>(),
                                        container.resolve<MessageBus>());
            });
            registerPage<StatusVM>();
            registerPage<AudioRoutingVM>();
            registerPage<DuckerVM>();
            registerPage<FormatVM>();
            registerPage<BufferSettingsVM>();
            registerPage<ClientInfoVM>();
            registerPage<InfoVM>();
            registerPage<VolumeVM>();
        }
        service = container.resolve<LumenCommunicationService>();
        topBar = container.resolve<MainTopBarVM>();
        topBar->onActivate(); // as its view does when it is created
    }
    ~Panel()
    {
        topBar->onDeactivate();
        topBar.reset();
        service.reset();
        container.clearInstances();
        container.clearFactories();
    }

    template <typename VM>
    void registerPage()
    {
        container.registerFactory<VM>(
            [this] { return new VM(container.resolve<LumenCommunicationService>(), container.resolve<MessageBus>()); });
    }

    // Opens device `index` the way the status page's pick does.
    void connect(uint32_t index)
    {
        service->setDeviceIndex(index);
        service->onConnectionRequest();
    }
};

} // namespace testrig
