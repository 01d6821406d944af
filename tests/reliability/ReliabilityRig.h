#pragma once
// Shared by the reliability tests: the panel's own service set built as start-up builds it,
// the eight pages walked the way their views drive them, a thread-safe log capture and
// snapshots of what the user sees and of what is stored.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "app/AppRegistrations.h"
#include "core/IActivityAware.h"
#include "viewmodels/MainTopBarVM.h"
#include "core/MessageBus.h"
#include "core/ServiceContainer.h"
#include "viewmodels/ShellVM.h"
#include "app/UIService.h"
#include "device/ICommunicationReplyListener.h"
#include "device/LumenCommunicationService.h"
#include "settings/ModelStores.h"
#include "viewmodels/AudioRoutingVM.h"
#include "viewmodels/BufferSettingsVM.h"
#include "viewmodels/ClientInfoVM.h"
#include "viewmodels/DuckerVM.h"
#include "viewmodels/FormatVM.h"
#include "viewmodels/InfoVM.h"
#include "viewmodels/StatusVM.h"
#include "viewmodels/VolumeVM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMutex>
#include <QSet>
#include <QSettings>
#include <QSharedPointer>
#include <QStringList>
#include <QTest>
#include <QThreadPool>
#include <QVariant>

#include <functional>
#include <memory>

namespace reliability {

// Every debug line while it exists. The ducker's meter logs from a pool thread, so the list
// is guarded.
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
    // Whether a line starts with `text` (both without their trailing newline): printf-style
    // lines end in "\n", stream-style lines may carry a value after the quoted text.
    bool has(const QString &text) const
    {
        const QString want = text.trimmed();
        for (const QString &l : lines())
            if (l.trimmed().startsWith(want))
                return true;
        return false;
    }
    int count(const QString &text) const
    {
        const QString want = text.trimmed();
        int n = 0;
        for (const QString &l : lines())
            n += l.trimmed().startsWith(want) ? 1 : 0;
        return n;
    }
    void clear()
    {
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
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

inline void initApplicationIdentity()
{
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
}

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

// The service set that start-up builds (registerServices), and the top bar as the PnP
// listener. Pages are made through the container's factories, as the QML wrappers make them.
// Without the window, the same services and factories but no QQuickView: the threaded tests
// then see no QML loader thread, whose handovers inside Qt only add noise to ThreadSanitizer.
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
        container.registerFactory<VM>([this] {
            return new VM(container.resolve<LumenCommunicationService>(), container.resolve<MessageBus>());
        });
    }

    // Opens device `index` the way the status page's pick does.
    void connect(uint32_t index)
    {
        service->setDeviceIndex(index);
        service->onConnectionRequest();
    }
};

// The names the pages' invokables are called by, so a test can tell which ones a walk left
// out: every Q_INVOKABLE and public slot a page class declares itself.
inline QSet<QString> declaredActions(const QMetaObject *mo)
{
    QSet<QString> names;
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.access() != QMetaMethod::Public)
            continue;
        if (m.methodType() == QMetaMethod::Method || m.methodType() == QMetaMethod::Slot)
            names.insert(QString::fromLatin1(m.name()));
    }
    return names;
}

} // namespace reliability
