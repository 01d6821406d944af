#include "viewmodels/DuckerVM.h"

#include "core/AssignAndNotify.h"
#include "core/IUIService.h"
#include "core/MessageBus.h"
#include "device/IRegistryService.h"
#include "device/LumenCommunicationService.h"
#include "device/MixerModels.h"
#include "device/MixerProtocol.h"
#include "device/StoreKeys.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/ViewModelsLog.h"

#include <QDebug>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <limits>

namespace {
constexpr int kMeterPollMs = 50;
constexpr int kAttackMs = 50;
constexpr int kHoldMs = 250;

// One process-wide trigger mask, shared by every ducker page; reloaded on each activation.
int s_duckerInputMask = 0;

// Runs on a pool thread. It sees nothing but the entry point and the handle captured on the
// GUI thread, so a page destroyed meanwhile (or a service changing its fields) cannot be
// touched. The fixed arguments are those of MixerProtocol::readMeterBlock, which needs the
// whole library object and so cannot be used here. The service does not close the handle
// (nor unload the library) while `inFlight` exists.
MeterReadResult readMeter(TUSBAUDIO_ClassVendorRequestIn_t readIn, TUsbAudioHandle handle,
                          WorkerCallTracker::Token inFlight)
{
    Q_UNUSED(inFlight)
    MeterReadResult result;
    MixerProtocol::Block reply{};
    uint32_t count = 0;
    result.status = readIn(handle, 0, 0, tusb::kRequestParameterOrMeter, 0, 0, tusb::kVendorBlockSize, reply.data(),
                           &count, tusb::kVendorTimeoutMs);
    if (result.status != tusb::kOk) {
        qCDebug(lcViewModels, ":read device failed.\n");
        return result;
    }
    qCDebug(lcViewModels, ":read meter success.\n");
    result.level = MixerProtocol::meterLevel(reply);
    return result;
}
} // namespace

DuckerVM::DuckerVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus, QObject *parent)
    : DuckerVM(std::move(service), std::move(bus), nullptr, parent)
{}

DuckerVM::DuckerVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                   QSharedPointer<IUIService> ui, QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus)), m_ui(std::move(ui))
{
    m_service->setReplyListener(this);
    m_meterTimer = new QTimer();
    connect(&m_meterWatcher, &QFutureWatcher<MeterReadResult>::finished, this, &DuckerVM::onMeterReadFinished);
}

DuckerVM::~DuckerVM()
{
    // The service keeps a plain pointer to its reply listener.
    m_service->clearReplyListener(this);
    delete m_meterTimer;
    m_meterTimer = nullptr;
    qCDebug(lcViewModels) << "Deleted meter timer";
    // A read still blocked in the driver is not waited for: it holds no reference to this
    // page, and its result is dropped with m_meterWatcher.
}

int DuckerVM::duckerInputMask() { return s_duckerInputMask; }

void DuckerVM::setDuckerOn(bool value) { assignAndNotify(this, m_duckerOn, value, &DuckerVM::duckerOnChanged); }
void DuckerVM::setInput1Checked(bool value)
{
    assignAndNotify(this, m_input1Checked, value, &DuckerVM::input1CheckedChanged);
}
void DuckerVM::setInput2Checked(bool value)
{
    assignAndNotify(this, m_input2Checked, value, &DuckerVM::input2CheckedChanged);
}
void DuckerVM::setInput3Checked(bool value)
{
    assignAndNotify(this, m_input3Checked, value, &DuckerVM::input3CheckedChanged);
}
void DuckerVM::setInput4Checked(bool value)
{
    assignAndNotify(this, m_input4Checked, value, &DuckerVM::input4CheckedChanged);
}
void DuckerVM::setMeterReading(int value)
{
    assignAndNotify(this, m_meterReading, value, &DuckerVM::meterReadingChanged);
}
void DuckerVM::setSensitivity(int value) { assignAndNotify(this, m_sensitivity, value, &DuckerVM::sensitivityChanged); }
void DuckerVM::setDuckerRange(int value) { assignAndNotify(this, m_duckerRange, value, &DuckerVM::duckerRangeChanged); }
void DuckerVM::setReleaseTime(double value)
{
    assignAndNotify(this, m_releaseTime, value, &DuckerVM::releaseTimeChanged);
}
void DuckerVM::setInput3Visibility(bool value)
{
    assignAndNotify(this, m_input3Visibility, value, &DuckerVM::input3VisibilityChanged);
}
void DuckerVM::setInput4Visibility(bool value)
{
    assignAndNotify(this, m_input4Visibility, value, &DuckerVM::input4VisibilityChanged);
}

void DuckerVM::setDefaultMeterReading(int value)
{
    m_defaultMeterReading = value;
    emit defaultMeterReadingChanged();
}

void DuckerVM::onDeviceStateChanged() { m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected); }

void DuckerVM::onConnectionFailed() { m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected); }

void DuckerVM::onDeviceNotification()
{
    // The service has re-applied the stored settings; send the page's own on top.
    setDuckerOnDevice(MixerProtocol::kParamDuckerSwitch, 0);
    setDuckerOnDevice(MixerProtocol::kParamDuckRange, MixerProtocol::duckRangeValue(m_duckerRange));
    setDuckerOnDevice(MixerProtocol::kParamSensitivity, MixerProtocol::sensitivityValue(m_sensitivity));
    writeAttackHold();
}

void DuckerVM::onActivate()
{
    m_service->setReplyListener(this);
    refreshFromStore();
    // Showing the hidden window builds the page again: that is no reason to write to the mixer.
    if (!m_ui || !m_ui->isRestoringPage())
        writeAttackHold();
}

bool DuckerVM::onDeactivate()
{
    // Polling goes on while the page exists and the ducker is on.
    return true;
}

void DuckerVM::refreshFromStore()
{
    const MixerModel &model = MixerModels::forProduct(m_service->productId());
    if (!model.isMixer())
        return;
    m_store = m_service->createStore(model);
    if (!m_store)
        return;

    applyDuckerOnState();

    s_duckerInputMask = m_service->duckerInputMask();
    setInput1Checked(s_duckerInputMask & MixerProtocol::kTriggerInput1);
    setInput2Checked(s_duckerInputMask & MixerProtocol::kTriggerInput2);
    if (model.triggerInputs > 2) {
        setInput3Visibility(true);
        setInput4Visibility(true);
        setInput3Checked(s_duckerInputMask & MixerProtocol::kTriggerInput3);
        setInput4Checked(s_duckerInputMask & MixerProtocol::kTriggerInput4);
    }

    loadDuckerParameters();
}

void DuckerVM::applyDuckerOnState()
{
    if (m_store->getDuckerValue(StoreKeys::kOn).toInt() != 0) {
        setDuckerOn(true);
        startMeterPolling();
    } else {
        setDuckerOn(false);
        stopMeterPolling();
        setDefaultMeterReading(0);
    }
}

void DuckerVM::loadDuckerParameters()
{
    setSensitivity(m_store->getDuckerValue(StoreKeys::kSensitivity).toInt());
    setDuckerRange(m_store->getDuckerValue(StoreKeys::kDuckerRange).toInt());
    setReleaseTime(m_store->getDuckerValue(StoreKeys::kReleaseTime).toDouble() / 1000.0);
}

void DuckerVM::startMeterPolling()
{
    m_meterTimer->setInterval(kMeterPollMs);
    connect(m_meterTimer, &QTimer::timeout, this, &DuckerVM::triggerMeterReading, Qt::UniqueConnection);
    m_meterTimer->start();
}

void DuckerVM::stopMeterPolling()
{
    if (m_meterTimer->isActive())
        m_meterTimer->stop();
}

void DuckerVM::onDuckerToggled()
{
    m_duckerOn = !m_duckerOn;
    emit duckerOnChanged();
    if (m_duckerOn) {
        startMeterPolling();
    } else {
        stopMeterPolling();
        setDefaultMeterReading(0);
    }
    if (m_store) {
        // Stored first: the 0x0280 block takes "On" from the store.
        m_store->setDuckerValue(StoreKeys::kOn, m_duckerOn ? 1 : 0);
        setDuckerOnDevice(MixerProtocol::kParamDuckerSwitch, 0);
    }
}

void DuckerVM::toggleTriggerInput(bool checked, void (DuckerVM::*setter)(bool), int bit, const QString &key)
{
    (this->*setter)(checked);
    // Set or clear the bit rather than add or subtract it: a check box written through its
    // property must not push the mask out of 0..15.
    if (checked)
        s_duckerInputMask |= bit;
    else
        s_duckerInputMask &= ~bit;
    if (m_store) {
        setDuckerOnDevice(MixerProtocol::kParamDuckerSwitch, 0);
        m_store->setDuckerValue(key, checked ? bit : 0);
    }
}

void DuckerVM::onChannel1SelectionChanged()
{
    toggleTriggerInput(!m_input1Checked, &DuckerVM::setInput1Checked, MixerProtocol::kTriggerInput1,
                       StoreKeys::kInput1);
}

void DuckerVM::onChannel2SelectionChanged()
{
    toggleTriggerInput(!m_input2Checked, &DuckerVM::setInput2Checked, MixerProtocol::kTriggerInput2,
                       StoreKeys::kInput2);
}

void DuckerVM::onChannel3SelectionChanged()
{
    toggleTriggerInput(!m_input3Checked, &DuckerVM::setInput3Checked, MixerProtocol::kTriggerInput3,
                       StoreKeys::kInput3);
}

void DuckerVM::onChannel4SelectionChanged()
{
    toggleTriggerInput(!m_input4Checked, &DuckerVM::setInput4Checked, MixerProtocol::kTriggerInput4,
                       StoreKeys::kInput4);
}

void DuckerVM::onReleaseTimeChanged(double time)
{
    setReleaseTime(time);
    if (m_store) {
        setDuckerOnDevice(MixerProtocol::kParamDuckerSwitch, 0);
        m_store->setDuckerValue(StoreKeys::kReleaseTime, releaseTimeMs());
    }
}

void DuckerVM::onDuckerRangeChanged(int range)
{
    setDuckerRange(range);
    setDuckerOnDevice(MixerProtocol::kParamDuckRange, MixerProtocol::duckRangeValue(m_duckerRange));
    if (m_store)
        m_store->setDuckerValue(StoreKeys::kDuckerRange, m_duckerRange);
}

void DuckerVM::onSensitivityChanged(int sensitivity)
{
    setSensitivity(sensitivity);
    setDuckerOnDevice(MixerProtocol::kParamSensitivity, MixerProtocol::sensitivityValue(m_sensitivity));
    if (m_store)
        m_store->setDuckerValue(StoreKeys::kSensitivity, m_sensitivity);
}

int DuckerVM::releaseTimeMs() const
{
    // Rounded: the time comes from whole milliseconds divided by 1000 (1001 ms is 1.000999...
    // seconds), and the slider's reading shows the nearest millisecond. Saturated so that a
    // non-finite or huge value from QML cannot make the conversion undefined.
    const double ms = std::round(m_releaseTime * 1000.0);
    if (std::isnan(ms))
        return 0;
    if (ms >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (ms <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(ms);
}

TSTATUS DuckerVM::setDuckerOnDevice(uint16_t parameter, uint32_t value)
{
    if (parameter == MixerProtocol::kParamDuckerSwitch) {
        if (!m_store)
            return tusb::kOk;
        int mask = s_duckerInputMask & 0x0F;
        // A mixer of the family sends the bits of the inputs it has; any other device all four.
        const int inputs = MixerModels::forDevice(m_service->vendorId(), m_service->productId()).triggerInputs;
        if (inputs > 0)
            mask &= (1 << inputs) - 1;
        value =
            MixerProtocol::duckerSwitchValue(m_store->getDuckerValue(StoreKeys::kOn).toInt(), mask, releaseTimeMs());
    }
    const MixerProtocol::Block block = MixerProtocol::parameterBlock(parameter, value);
    const TSTATUS status = MixerProtocol::writeParameterBlock(m_service->api(), m_service->deviceHandle(), block);
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ":setDuckerOnDevice Write device failed.\n");
    return status;
}

void DuckerVM::writeAttackHold()
{
    // The stored times, as every connection sends them: the mixer must not hold other times
    // depending on whether the page was opened since. Without a store, the defaults.
    const int attack = m_store ? m_store->getDuckerValue(StoreKeys::kAttackTime).toInt() : kAttackMs;
    const int hold = m_store ? m_store->getDuckerValue(StoreKeys::kHoldTime).toInt() : kHoldMs;
    const MixerProtocol::Block block =
        MixerProtocol::parameterBlock(MixerProtocol::kParamAttackHold, MixerProtocol::attackHoldValue(attack, hold));
    MixerProtocol::writeParameterBlock(m_service->api(), m_service->deviceHandle(), block);
}

void DuckerVM::triggerMeterReading()
{
    if (m_meterReadInFlight)
        return; // the previous read is still blocked in the driver: skip this tick
    const TUSBAUDIO_ClassVendorRequestIn_t readIn = m_service->api().TUSBAUDIO_ClassVendorRequestIn;
    if (!readIn) {
        qCDebug(lcViewModels, ":read device failed.\n");
        return;
    }
    const TUsbAudioHandle handle = m_service->deviceHandle();
    m_meterReadInFlight = true;
    m_meterWatcher.setFuture(QtConcurrent::run(readMeter, readIn, handle, m_service->beginWorkerCall()));
}

void DuckerVM::onMeterReadFinished()
{
    m_meterReadInFlight = false;
    // A read that ends after the ducker went off must not move the frozen reading.
    if (!m_meterTimer->isActive())
        return;
    const MeterReadResult result = m_meterWatcher.result();
    if (result.status != tusb::kOk)
        return;
    int reading = 0;
    if (m_peakHold.update(double(result.level), &reading))
        setMeterReading(reading);
}
