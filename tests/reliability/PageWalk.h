#pragma once
// Walks every page the way its view drives it: made by the container's factory, activated,
// every action, a device notification, deactivated, destroyed. Records what each page showed
// right after construction and after activation, and which actions it ran.
#include "TestRig.h"

namespace testrig {

struct PageRun
{
    QString page;
    QMap<QString, QVariant> constructed;
    QMap<QString, QVariant> activated;
    QSet<QString> actions;       // invokables and public slots called
    QSet<QString> declared;      // those the class declares
    bool listenerCleared = true; // the service no longer points at the destroyed page
};

class PageWalk
{
public:
    PageWalk(Panel &panel, SimulatorControl &sim, int device = 0) : m_panel(panel), m_sim(sim), m_device(device) {}

    // Short waits: the walk only has to reach every call, not measure anything.
    static constexpr int meterWaitMs = 150, debugWaitMs = 70;
    // How many times the service has logged a handled notification (ends a notification's wait).
    std::function<int()> notificationsLogged;

    QList<PageRun> all()
    {
        QList<PageRun> runs;
        runs << status() << routing() << ducker() << passive<FormatVM>(QStringLiteral("Format")) << bufferSettings()
             << passive<ClientInfoVM>(QStringLiteral("ClientInfo")) << passive<InfoVM>(QStringLiteral("Info"))
             << volume();
        return runs;
    }

private:
    // Pages without actions of their own: activated, notified, destroyed.
    template <typename VM>
    PageRun passive(const QString &page)
    {
        return walk<VM>(page, [](VM *, QSet<QString> &) {});
    }

    PageRun status()
    {
        return walk<StatusVM>(QStringLiteral("Status"), [&](StatusVM *vm, QSet<QString> &did) {
            act(did, "showList", [&] { vm->showList(); });
            act(did, "showList", [&] { vm->showList(); });
            const QString name = m_panel.service->deviceNames().value(m_device);
            vm->setActiveDevice(name); // the view writes the pick, then asks for the connection
            act(did, "setDeviceIndex", [&] { vm->setDeviceIndex(m_device, name); });
            act(did, "onDebugActivated", [&] { vm->onDebugActivated(); });
            spin(debugWaitMs);
            act(did, "updateDebugStatus", [&] { vm->updateDebugStatus(); });
        });
    }

    PageRun routing()
    {
        return walk<AudioRoutingVM>(QStringLiteral("AudioRouting"), [&](AudioRoutingVM *vm, QSet<QString> &did) {
            act(did, "showInputs12List", [&] { vm->showInputs12List(); });
            act(did, "showInputs32List", [&] { vm->showInputs32List(); });
            act(did, "onInputs12Changed", [&] { vm->onInputs12Changed(1, vm->inputs12().value(1)); });
            act(did, "onInputs32Changed", [&] { vm->onInputs32Changed(2, vm->inputs32().value(2)); });
        });
    }

    PageRun ducker()
    {
        return walk<DuckerVM>(QStringLiteral("Ducker"), [&](DuckerVM *vm, QSet<QString> &did) {
            act(did, "onDuckerToggled", [&] { vm->onDuckerToggled(); });
            if (vm->duckerOn()) {
                const quint32 before = m_sim.callCount(QStringLiteral("ClassVendorRequestIn"));
                spin(meterWaitMs,
                     [&] { return m_sim.callCount(QStringLiteral("ClassVendorRequestIn")) >= before + 2; });
            }
            act(did, "onChannel1SelectionChanged", [&] { vm->onChannel1SelectionChanged(); });
            act(did, "onChannel2SelectionChanged", [&] { vm->onChannel2SelectionChanged(); });
            act(did, "onChannel3SelectionChanged", [&] { vm->onChannel3SelectionChanged(); });
            act(did, "onChannel4SelectionChanged", [&] { vm->onChannel4SelectionChanged(); });
            act(did, "onReleaseTimeChanged", [&] { vm->onReleaseTimeChanged(0.75); });
            act(did, "onDuckerRangeChanged", [&] { vm->onDuckerRangeChanged(60); });
            act(did, "onSensitivityChanged", [&] { vm->onSensitivityChanged(-20); });
            act(did, "onDuckerToggled", [&] { vm->onDuckerToggled(); });
        });
    }

    PageRun bufferSettings()
    {
        return walk<BufferSettingsVM>(QStringLiteral("BufferSettings"), [&](BufferSettingsVM *vm, QSet<QString> &did) {
            act(did, "showUSBStreamingModeList", [&] { vm->showUSBStreamingModeList(); });
            act(did, "showAsioBufferList", [&] { vm->showAsioBufferList(); });
            act(did, "showInputFormatList", [&] { vm->showInputFormatList(); });
            act(did, "showOuputFormatList", [&] { vm->showOuputFormatList(); });
            act(did, "onUSBStreamingModeChanged", [&] { vm->onUSBStreamingModeChanged(0, vm->activeStreamingMode()); });
            act(did, "onAsioSelectionChanged", [&] { vm->onAsioSelectionChanged(1, vm->asioBufferSizes().value(1)); });
            act(did, "onInputFormatSelectionChanged",
                [&] { vm->onInputFormatSelectionChanged(1, vm->inputFormats().value(1)); });
            act(did, "onOutputFormatSelectionChanged",
                [&] { vm->onOutputFormatSelectionChanged(1, vm->outputFormats().value(1)); });
            act(did, "onSafeModeSelectionChanged", [&] { vm->onSafeModeSelectionChanged(); });
            act(did, "onSafeModeSelectionChanged", [&] { vm->onSafeModeSelectionChanged(); });
        });
    }

    PageRun volume()
    {
        return walk<VolumeVM>(QStringLiteral("Volume"), [&](VolumeVM *vm, QSet<QString> &did) {
            act(did, "onInputSelected", [&] { vm->onInputSelected(); });
            act(did, "onMasterUpdate", [&] { vm->onMasterUpdate(-10); });
            act(did, "onMasterMute", [&] { vm->onMasterMute(); });
            act(did, "onMasterMute", [&] { vm->onMasterMute(); });
            act(did, "onCommonUpdate", [&] { vm->onCommonUpdate(0, -6); });
            act(did, "onLeftChannelUpdate", [&] { vm->onLeftChannelUpdate(0, -3); });
            act(did, "onRightChannelUpdate", [&] { vm->onRightChannelUpdate(0, -4); });
            act(did, "onLink", [&] { vm->onLink(0); });
            act(did, "onMute", [&] { vm->onMute(0); });
            act(did, "onOutputSelected", [&] { vm->onOutputSelected(); });
            // Rows the list does not have (a view racing a reload): ignored, not a crash.
            vm->onLink(99);
            vm->onMute(-1);
            vm->onCommonUpdate(99, 0);
        });
    }

    static void act(QSet<QString> &did, const char *name, const std::function<void()> &f)
    {
        did.insert(QString::fromLatin1(name));
        f();
    }

    template <typename VM, typename Actions>
    PageRun walk(const QString &page, Actions actions)
    {
        // A failure on an earlier page may have closed the device; each page starts as the
        // user would find it after picking the mixer again.
        if (!m_panel.service->deviceHandle())
            m_panel.connect(uint32_t(m_device));

        PageRun run;
        run.page = page;
        QSharedPointer<VM> vm = m_panel.container.resolve<VM>();
        run.declared = declaredActions(&VM::staticMetaObject);
        run.constructed = shownValues(vm.data());
        vm->onActivate();
        run.activated = shownValues(vm.data());
        actions(vm.data(), run.actions);

        // A notification while the page is the listener.
        const int logged = notificationsLogged ? notificationsLogged() : 0;
        if (m_sim.notify(m_device) > 0)
            spin(100, [&] { return notificationsLogged && notificationsLogged() > logged; });
        spin(5);

        vm->onDeactivate();
        const void *raw = static_cast<ICommunicationReplyListener *>(vm.data());
        vm.reset();
        run.listenerCleared = static_cast<const void *>(m_panel.service->replyListener()) != raw;
        // Callbacks the page may have left queued run now, against the destroyed page.
        spin(5);
        return run;
    }

    Panel &m_panel;
    SimulatorControl &m_sim;
    int m_device;
};

} // namespace testrig
