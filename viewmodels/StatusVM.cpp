#include "viewmodels/StatusVM.h"

#include "core/AssignAndNotify.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/ViewModelsLog.h"

#include <QDebug>
#include <QTimer>

namespace {
constexpr int kDebugPollMs = 20;
}

StatusVM::StatusVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus, QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    m_service->setReplyListener(this);
    m_bus->subscribe(this, &StatusVM::onResetState, ViewModelTexts::kMsgResetState);
    m_bus->subscribe(this, &StatusVM::onResetDropDown, ViewModelTexts::kMsgResetDropDown);
    m_deviceNames = m_service->deviceNames();
    m_debugTimer = new QTimer();
    onResetState(QVariant());
}

StatusVM::~StatusVM()
{
    // The service keeps a plain pointer to its reply listener.
    m_service->clearReplyListener(this);
    delete m_debugTimer;
    m_debugTimer = nullptr;
    qCDebug(lcViewModels) << "Deleted debug timer";
}

void StatusVM::setSampleRate(int sampleRate)
{
    assignAndNotify(this, m_sampleRate, sampleRate, &StatusVM::sampleRateChanged);
}
void StatusVM::setActiveDevice(const QString &activeDevice)
{
    assignAndNotify(this, m_activeDevice, activeDevice, &StatusVM::activeDeviceChanged);
}
void StatusVM::setDisableDropDown(bool disable)
{
    assignAndNotify(this, m_disableDropDown, disable, &StatusVM::disableDropDownChanged);
}
void StatusVM::setConnected(bool connected)
{
    assignAndNotify(this, m_connected, connected, &StatusVM::connectedChanged);
}
void StatusVM::setResetDropDown(bool reset)
{
    assignAndNotify(this, m_resetDropDown, reset, &StatusVM::resetDropDownChanged);
}

void StatusVM::setDebugActivated(bool activated)
{
    if (m_activeDevice == ViewModelTexts::shown(ViewModelTexts::kNotConnected))
        return;
    if (m_activeDevice == ViewModelTexts::shown(ViewModelTexts::kPleaseSelectDevice) &&
        !(m_debugActivated && !activated))
        return;
    assignAndNotify(this, m_debugActivated, activated, &StatusVM::debugActivatedChanged);
}

void StatusVM::setId(const QString &value) { assignAndNotify(this, m_id, value, &StatusVM::idChanged); }
void StatusVM::setMux0(const QString &value) { assignAndNotify(this, m_mux0, value, &StatusVM::mux0Changed); }
void StatusVM::setMux1(const QString &value) { assignAndNotify(this, m_mux1, value, &StatusVM::mux1Changed); }
void StatusVM::setAdc(const QString &value) { assignAndNotify(this, m_adc, value, &StatusVM::adcChanged); }
void StatusVM::setFx(const QString &value) { assignAndNotify(this, m_fx, value, &StatusVM::fxChanged); }
void StatusVM::setTempo(const QString &value) { assignAndNotify(this, m_tempo, value, &StatusVM::tempoChanged); }
void StatusVM::setConstant(const QString &value)
{
    assignAndNotify(this, m_constant, value, &StatusVM::constantChanged);
}

void StatusVM::showNoDevice()
{
    setActiveDevice(ViewModelTexts::shown(ViewModelTexts::kNotConnected));
    setSampleRate(0);
    // Mixers that vanished in one refresh must not stay on offer.
    if (!m_deviceNames.isEmpty()) {
        m_deviceNames.clear();
        emit deviceNamesChanged();
    }
    setDebugActivated(false);
    stopDebugTimer();
}

void StatusVM::onResetState(QVariant)
{
    const uint32_t count = m_service->deviceCount();
    if (count == 0) {
        showNoDevice();
        return;
    }
    setDisableDropDown(count == 1);
    // The view gets the new list with the next onDeviceStateChanged().
    m_deviceNames = m_service->deviceNames();
    if (count == 1) {
        // Named only while it is open: the only device may be one the service did not list (USB
        // mode 1) or one whose connection failed, which the list then offers again.
        if (m_deviceNames.isEmpty() || !m_service->deviceHandle()) {
            showNotConnected();
            return;
        }
        setActiveDevice(m_deviceNames.first());
        qCDebug(lcViewModels).nospace().noquote() << "Device Name : " << m_activeDevice;
        setSampleRate(int(m_service->sampleRate()));
    } else {
        setActiveDevice(ViewModelTexts::shown(ViewModelTexts::kPleaseSelectDevice));
        setSampleRate(0);
    }
    setConnected(true);
    setDebugActivated(false);
    stopDebugTimer();
}

void StatusVM::onResetDropDown(QVariant) { setResetDropDown(false); }

void StatusVM::onDeviceStateChanged()
{
    const uint32_t count = m_service->deviceCount();
    if (count == 0) {
        showNoDevice();
        return;
    }
    setDisableDropDown(count == 1);
    const QStringList names = m_service->deviceNames();
    if (names.isEmpty()) {
        showNoDevice(); // only devices the service leaves out: none to show or pick
        return;
    }
    m_deviceNames = names;
    publishConnected(true);
    if (count == 1) {
        setActiveDevice(names.first());
        qCDebug(lcViewModels).nospace().noquote() << "Device Name : " << m_activeDevice;
        setSampleRate(int(m_service->sampleRate()));
        emit activeDeviceChanged();
    } else if (m_service->isDeviceListRefreshed()) {
        // After the user's own pick (flag cleared) the page keeps its selection.
        setActiveDevice(ViewModelTexts::shown(ViewModelTexts::kPleaseSelectDevice));
        setSampleRate(0);
    }
    emit deviceNamesChanged();
    setConnected(true);
    setDebugActivated(false);
    stopDebugTimer();
}

void StatusVM::onConnectionFailed()
{
    publishConnected(false);
    if (m_deviceNames != m_service->deviceNames()) {
        m_deviceNames = m_service->deviceNames();
        emit deviceNamesChanged();
    }
    showNotConnected();
}

void StatusVM::showNotConnected()
{
    setActiveDevice(ViewModelTexts::shown(ViewModelTexts::kNotConnected));
    setSampleRate(0);
    setConnected(false);
    setDebugActivated(false);
    stopDebugTimer();
    // Whatever is listed stays on offer, also a single mixer: a pick connects it again (after a
    // transient failure the person need not unplug it).
    setDisableDropDown(m_deviceNames.isEmpty());
}

void StatusVM::onDeviceNotification()
{
    m_previousDebugReply.fill(0);
    setSampleRate(int(m_service->sampleRate()));
}

void StatusVM::onActivate()
{
    m_service->setReplyListener(this);
    const QString name = m_service->deviceName();
    const uint32_t rate = m_service->sampleRate();
    if (!name.isEmpty() && rate != 0 && !m_service->isDeviceListRefreshed()) {
        setActiveDevice(name);
        setSampleRate(int(rate));
    }
    setDebugActivated(false);
    stopDebugTimer();
    m_previousDebugReply.fill(0);
}

bool StatusVM::onDeactivate()
{
    setDebugActivated(false);
    stopDebugTimer();
    return true;
}

void StatusVM::onDebugActivated()
{
    if (!m_service || m_debugActivated || !m_debugTimer)
        return;
    // The debug read is one of the family's vendor requests: not for another vendor's device.
    if (m_service->vendorId() != LumenVendorId)
        return;
    setDebugActivated(true);
    if (!m_debugActivated)
        return; // refused by the guard: nothing shown, so nothing polled
    m_debugTimer->setInterval(kDebugPollMs);
    connect(m_debugTimer, &QTimer::timeout, this, &StatusVM::updateDebugStatus, Qt::UniqueConnection);
    m_debugTimer->start();
}

void StatusVM::setDeviceIndex(int index, QString devicename)
{
    if (index < 0)
        return;
    // A row of the list, which leaves out devices the service does not list.
    m_service->setDeviceIndex(m_service->listedDeviceIndex(index));
    m_service->setDeviceName(devicename);
    m_service->onConnectionRequest();
    setSampleRate(int(m_service->sampleRate()));
}

void StatusVM::showList() { setResetDropDown(!m_resetDropDown); }

void StatusVM::updateDebugStatus()
{
    MixerProtocol::Block reply{};
    const TSTATUS status = MixerProtocol::readDebugBlock(m_service->api(), m_service->deviceHandle(), reply);
    if (status != tusb::kOk) {
        qCDebug(lcViewModels).nospace().noquote()
            << "Debug Class vendor request failed, 0x04\n"
            << "0x" << QString::number(status, 16).rightJustified(8, QLatin1Char('0')).toUpper();
        return;
    }
    if (reply == m_previousDebugReply)
        return;
    const MixerProtocol::DebugStatus debug = MixerProtocol::parseDebugStatus(reply);
    setId(QString::number(debug.id));
    setMux0(QString::number(debug.mux0));
    setMux1(QString::number(debug.mux1));
    setAdc(QString::number(debug.adc));
    setFx(QString::number(debug.fx));
    setTempo(QString::number(debug.tempo));
    setConstant(QString::number(debug.constant));
    m_previousDebugReply = reply;
}

void StatusVM::stopDebugTimer()
{
    if (m_debugTimer && m_debugTimer->isActive())
        m_debugTimer->stop();
}

void StatusVM::publishConnected(bool connected) { m_bus->publish(QVariant(connected), ViewModelTexts::kMsgConnected); }
