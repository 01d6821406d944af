#include "viewmodels/AudioRoutingVM.h"

#include "device/StoreKeys.h"
#include "viewmodels/ViewModelTexts.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "device/MixerProtocol.h"
#include "device/IRegistryService.h"

#include <QDebug>

namespace {
constexpr uint8_t kSelectorByte = 0x00; // low half of the routing id, 0 for both pairs

QMap<int, QString> indexMap(const QStringList &labels)
{
    QMap<int, QString> map;
    for (int i = 0; i < labels.size(); ++i)
        map.insert(i, labels.at(i));
    return map;
}

const QStringList &altoInputs12()
{
    static const QStringList list{ViewModelTexts::kMicInput1MonoLine2, ViewModelTexts::kStereoInput23,
                                  ViewModelTexts::kStereoInput45, ViewModelTexts::kMixLR};
    return list;
}

const QStringList &tenorInputs12()
{
    static const QStringList list{ViewModelTexts::kMicInput12, ViewModelTexts::kStereoInput34,
                                  ViewModelTexts::kStereoInput56, ViewModelTexts::kMixLRb};
    return list;
}

const QStringList &bassoInputs12()
{
    static const QStringList list{ViewModelTexts::kMicInput12b};
    return list;
}

const QStringList &bassoInputs32()
{
    static const QStringList list{ViewModelTexts::kMicInput34, ViewModelTexts::kStereoInput56b,
                                  ViewModelTexts::kStereoInput78, ViewModelTexts::kMixLRc};
    return list;
}
} // namespace

AudioRoutingVM::AudioRoutingVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                               QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    m_service->setReplyListener(this);
    m_input12MapFillers.insert(kProductAlto, &AudioRoutingVM::fillAltoInput12Map);
    m_input12MapFillers.insert(kProductTenor, &AudioRoutingVM::fillTenorInput12Map);
    m_input12MapFillers.insert(kProductBasso, &AudioRoutingVM::fillBassoInput12Map);
    m_inputs12ListFillers.insert(kProductAlto, &AudioRoutingVM::fillAltoInputs12List);
    m_inputs12ListFillers.insert(kProductTenor, &AudioRoutingVM::fillTenorInputs12List);
    m_inputs12ListFillers.insert(kProductBasso, &AudioRoutingVM::fillBassoInputs12List);
}

AudioRoutingVM::~AudioRoutingVM()
{
    // The service keeps a plain pointer to its reply listener.
    m_service->clearReplyListener(this);
}

void AudioRoutingVM::setActiveInput12(const QString &value)
{
    if (m_activeInput12 == value)
        return;
    m_activeInput12 = value;
    emit activeInput12Changed();
}

void AudioRoutingVM::setResetInputs12DropDown(bool value)
{
    if (m_resetInputs12DropDown == value)
        return;
    m_resetInputs12DropDown = value;
    emit resetInputs12DropDownChanged();
}

void AudioRoutingVM::setActiveInput32(const QString &value)
{
    if (m_activeInput32 == value)
        return;
    m_activeInput32 = value;
    emit activeInput32Changed();
}

void AudioRoutingVM::setResetInputs32DropDown(bool value)
{
    if (m_resetInputs32DropDown == value)
        return;
    m_resetInputs32DropDown = value;
    emit resetInputs32DropDownChanged();
}

void AudioRoutingVM::setInput32Visibility(bool value)
{
    if (m_input32Visibility == value)
        return;
    m_input32Visibility = value;
    emit input32VisibilityChanged();
}

void AudioRoutingVM::onDeviceStateChanged()
{
    m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected);
}

void AudioRoutingVM::onConnectionFailed()
{
    m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected);
}

void AudioRoutingVM::onDeviceNotification()
{
    // The service re-applies the stored choice itself.
}

void AudioRoutingVM::onActivate()
{
    m_service->setReplyListener(this);
    refreshFromStore();
}

bool AudioRoutingVM::onDeactivate()
{
    return true;
}

void AudioRoutingVM::showInputs12List()
{
    setResetInputs12DropDown(!m_resetInputs12DropDown);
}

void AudioRoutingVM::showInputs32List()
{
    setResetInputs32DropDown(!m_resetInputs32DropDown);
}

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
    m_storeFactories = m_service->storeFactories();
    const uint32_t productId = m_service->productId();
    if (productId != kProductAlto && productId != kProductTenor && productId != kProductBasso)
        return;
    const auto factory = m_storeFactories.value(productId);
    m_store = factory ? factory() : QSharedPointer<IRegistryService>();
    if (!m_store)
        return;

    const bool basso = productId == kProductBasso;
    setInput32Visibility(basso);
    (this->*m_input12MapFillers.value(productId))();
    (this->*m_inputs12ListFillers.value(productId))();
    emit inputs12Changed(); // also when the list is the same
    if (basso) {
        fillBassoInput32Map();
        fillBassoInputs32List();
        emit inputs32Changed();
    }
    // An index the list lacks shows an empty label.
    setActiveInput12(m_input12Map.value(m_store->getAudioRoutingValue(StoreKeys::kInput12).toInt()));
    if (basso)
        setActiveInput32(m_input32Map.value(m_store->getAudioRoutingValue(StoreKeys::kInput32).toInt()));
}

TSTATUS AudioRoutingVM::writeInputSelection(uint8_t selector, int value)
{
    const MixerProtocol::Block block = MixerProtocol::routingBlock(selector, uint32_t(value));
    const TSTATUS status = MixerProtocol::writeParameterBlock(m_service->api(), m_service->deviceHandle(), block);
    if (status != tusb::kOk)
        qDebug(":Write device failed.\n");
    return status;
}

void AudioRoutingVM::fillAltoInput12Map() { m_input12Map = indexMap(altoInputs12()); }
void AudioRoutingVM::fillTenorInput12Map() { m_input12Map = indexMap(tenorInputs12()); }
void AudioRoutingVM::fillBassoInput12Map() { m_input12Map = indexMap(bassoInputs12()); }
void AudioRoutingVM::fillAltoInputs12List() { m_inputs12 = altoInputs12(); }
void AudioRoutingVM::fillTenorInputs12List() { m_inputs12 = tenorInputs12(); }
void AudioRoutingVM::fillBassoInputs12List() { m_inputs12 = bassoInputs12(); }
void AudioRoutingVM::fillBassoInput32Map() { m_input32Map = indexMap(bassoInputs32()); }
void AudioRoutingVM::fillBassoInputs32List() { m_inputs32 = bassoInputs32(); }
