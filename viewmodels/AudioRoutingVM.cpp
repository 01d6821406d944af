#include "viewmodels/AudioRoutingVM.h"

#include "core/AssignAndNotify.h"
#include "core/MessageBus.h"
#include "device/IRegistryService.h"
#include "device/LumenCommunicationService.h"
#include "device/MixerModels.h"
#include "device/MixerProtocol.h"
#include "device/StoreKeys.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/ViewModelsLog.h"

#include <QCoreApplication>
#include <QDebug>

namespace {
constexpr uint8_t kSelectorByte = 0x00; // low half of the routing id, 0 for both pairs

// The model table's routing labels in the user's language.
QStringList shownLabels(const QStringList &labels)
{
    QStringList shown;
    for (const QString &label : labels)
        shown << QCoreApplication::translate("MixerModels", label.toUtf8().constData());
    return shown;
}
} // namespace

AudioRoutingVM::AudioRoutingVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                               QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    m_service->setReplyListener(this);
}

AudioRoutingVM::~AudioRoutingVM()
{
    // The service keeps a plain pointer to its reply listener.
    m_service->clearReplyListener(this);
}

void AudioRoutingVM::setActiveInput12(const QString &value)
{
    assignAndNotify(this, m_activeInput12, value, &AudioRoutingVM::activeInput12Changed);
}
void AudioRoutingVM::setResetInputs12DropDown(bool value)
{
    assignAndNotify(this, m_resetInputs12DropDown, value, &AudioRoutingVM::resetInputs12DropDownChanged);
}
void AudioRoutingVM::setActiveInput32(const QString &value)
{
    assignAndNotify(this, m_activeInput32, value, &AudioRoutingVM::activeInput32Changed);
}
void AudioRoutingVM::setResetInputs32DropDown(bool value)
{
    assignAndNotify(this, m_resetInputs32DropDown, value, &AudioRoutingVM::resetInputs32DropDownChanged);
}
void AudioRoutingVM::setInput32Visibility(bool value)
{
    assignAndNotify(this, m_input32Visibility, value, &AudioRoutingVM::input32VisibilityChanged);
}

void AudioRoutingVM::onDeviceStateChanged() { m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected); }

void AudioRoutingVM::onConnectionFailed() { m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected); }

void AudioRoutingVM::onDeviceNotification()
{
    // The service re-applies the stored choice itself.
}

void AudioRoutingVM::onActivate()
{
    m_service->setReplyListener(this);
    refreshFromStore();
}

bool AudioRoutingVM::onDeactivate() { return true; }

void AudioRoutingVM::showInputs12List() { setResetInputs12DropDown(!m_resetInputs12DropDown); }

void AudioRoutingVM::showInputs32List() { setResetInputs32DropDown(!m_resetInputs32DropDown); }

void AudioRoutingVM::onInputs12Changed(int index, QString input12)
{
    if (index < 0)
        return; // nothing picked; -1 would reach the mixer as 0xFFFFFFFF
    setActiveInput12(input12);
    writeInputSelection(kSelectorByte, index);
    if (m_store)
        m_store->setAudioRoutingValue(StoreKeys::kInput12, index);
}

void AudioRoutingVM::onInputs32Changed(int index, QString input32)
{
    if (index < 0)
        return;
    setActiveInput32(input32);
    writeInputSelection(kSelectorByte, index);
    if (m_store)
        m_store->setAudioRoutingValue(StoreKeys::kInput32, index);
}

void AudioRoutingVM::refreshFromStore()
{
    const MixerModel &model = MixerModels::forProduct(m_service->productId());
    if (!model.isMixer())
        return;
    m_store = m_service->createStore(model);
    if (!m_store)
        return;

    const bool secondPair = !model.inputs32.isEmpty();
    setInput32Visibility(secondPair);
    m_inputs12 = shownLabels(model.inputs12);
    emit inputs12Changed(); // also when the list is the same
    if (secondPair) {
        m_inputs32 = shownLabels(model.inputs32);
        emit inputs32Changed();
    }
    // An index the list lacks shows an empty label.
    setActiveInput12(m_inputs12.value(m_store->getAudioRoutingValue(StoreKeys::kInput12).toInt()));
    if (secondPair)
        setActiveInput32(m_inputs32.value(m_store->getAudioRoutingValue(StoreKeys::kInput32).toInt()));
}

TSTATUS AudioRoutingVM::writeInputSelection(uint8_t selector, int value)
{
    const MixerProtocol::Block block = MixerProtocol::routingBlock(selector, uint32_t(value));
    const TSTATUS status = MixerProtocol::writeParameterBlock(m_service->api(), m_service->deviceHandle(), block);
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ":Write device failed.\n");
    return status;
}
