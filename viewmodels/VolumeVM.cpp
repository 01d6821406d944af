#include "viewmodels/VolumeVM.h"

#include "core/AssignAndNotify.h"
#include "core/IAppCacheService.h"
#include "core/IUIService.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "device/StreamFormatRecord.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/ViewModelsLog.h"
#include "viewmodels/VolumeConversion.h"

#include <QDebug>

#include <algorithm>
#include <vector>

namespace {
const QString kViewKey = QStringLiteral("VolumePage/View");
}

VolumeVM::VolumeVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus, QObject *parent)
    : VolumeVM(std::move(service), std::move(bus), nullptr, nullptr, parent)
{}

VolumeVM::VolumeVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                   QSharedPointer<IUIService> ui, QSharedPointer<IAppCacheService> cache, QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_bus(std::move(bus))
    , m_ui(std::move(ui))
    , m_cache(std::move(cache))
    , m_channels(new ChannelsListModel())
{
    if (m_service)
        m_service->setReplyListener(this);
}

VolumeVM::~VolumeVM()
{
    if (m_service)
        m_service->clearReplyListener(this);
}

void VolumeVM::setIsMasterVisible(bool value)
{
    assignAndNotify(this, m_isMasterVisible, value, &VolumeVM::isMasterVisibleChanged);
}
void VolumeVM::setIsInput(bool value) { assignAndNotify(this, m_isInput, value, &VolumeVM::isInputChanged); }
void VolumeVM::setMasterValue(short value)
{
    assignAndNotify(this, m_masterValue, value, &VolumeVM::masterValueChanged);
}
void VolumeVM::setIsMasterMuted(bool value)
{
    assignAndNotify(this, m_isMasterMuted, value, &VolumeVM::isMasterMutedChanged);
}
void VolumeVM::setMaxVolumeRange(short value)
{
    assignAndNotify(this, m_maxVolumeRange, value, &VolumeVM::maxVolumeRangeChanged);
}
void VolumeVM::setMinVolumeRange(short value)
{
    assignAndNotify(this, m_minVolumeRange, value, &VolumeVM::minVolumeRangeChanged);
}

void VolumeVM::onDeviceStateChanged()
{
    if (m_bus)
        m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected);
}

void VolumeVM::onConnectionFailed()
{
    if (m_bus)
        m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected);
}

void VolumeVM::onDeviceNotification() {}

void VolumeVM::onActivate()
{
    if (m_service)
        m_service->setReplyListener(this);
    const QVariantMap left = viewToRestore();
    if (!left.isEmpty())
        setIsInput(left.value(QStringLiteral("isInput")).toBool());
    reload();
    if (!left.isEmpty())
        restoreLinks(left.value(QStringLiteral("links")).toList());
    rememberView();
}

bool VolumeVM::onDeactivate() { return true; }

void VolumeVM::onInputSelected()
{
    setIsInput(true);
    reload();
    rememberView();
}

void VolumeVM::onOutputSelected()
{
    setIsInput(false);
    reload();
    rememberView();
}

QString VolumeVM::viewOwner() const
{
    return m_service ? QStringLiteral("%1/%2").arg(m_service->productId()).arg(m_service->deviceName()) : QString();
}

void VolumeVM::rememberView()
{
    if (!m_cache)
        return;
    QVariantList links;
    for (int r = 0; r < m_channels->rowCount(); ++r)
        links << m_channels->item(r)->isLinked();
    m_cache->setValue(kViewKey, QVariantMap{{QStringLiteral("owner"), viewOwner()},
                                            {QStringLiteral("isInput"), m_isInput},
                                            {QStringLiteral("links"), links}});
}

QVariantMap VolumeVM::viewToRestore() const
{
    if (!m_cache || !m_ui || !m_ui->isRestoringPage())
        return {};
    // Only the page of the same device: another one may have come while the window was hidden.
    const QVariantMap left = m_cache->value(kViewKey).toMap();
    return left.value(QStringLiteral("owner")).toString() == viewOwner() ? left : QVariantMap();
}

void VolumeVM::restoreLinks(const QVariantList &links)
{
    if (links.size() != m_channels->rowCount())
        return; // the device now has other rows: they start as read
    bool changed = false;
    for (int r = 0; r < links.size(); ++r) {
        const QSharedPointer<ChannelsModelItem> row = m_channels->item(r);
        changed = changed || row->isLinked() != links.at(r).toBool();
        row->setIsLinked(links.at(r).toBool());
    }
    if (changed)
        m_channels->announceLinkChanged();
}

void VolumeVM::reload()
{
    m_channels->clear();
    readChannelCount();
    readRecords();
    setupMaster();
    buildChannelRows();
}

void VolumeVM::readChannelCount()
{
    std::vector<uint8_t> table(sizeof(StreamFormatTableBuffer), 0);
    uint32_t count = 0;
    const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_GetSupportedStreamFormats, m_service->deviceHandle(),
                                      direction(), tusb::kStreamFormatCapacity, static_cast<void *>(table.data()),
                                      &count);
    m_channelCount = 0;
    if (StreamFormatRecord::isListingUsable(status)) {
        const auto formats = StreamFormatRecord::parseTable(table.data(), table.size(), count);
        m_channelCount = std::min(StreamFormatRecord::maxChannelCount(formats), kMaxChannelCount);
    }
}

void VolumeVM::readRecords()
{
    m_records.clear();
    // Channel 0 is the master; a failed read still takes its (zeroed) place.
    for (uint32_t c = 0; c <= m_channelCount; ++c) {
        VolumeMuteInfoBuffer buffer{};
        const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_GetVolumeMuteInfo, m_service->deviceHandle(),
                                          direction(), c, static_cast<void *>(buffer.data()));
        if (status != tusb::kOk) {
            qCDebug(lcViewModels, ": TUSBAUDIO_GetVolumeMuteInfo failed\n");
            buffer.fill(0);
        }
        m_records.append(VolumeRecords::parseVolumeMuteInfo(buffer.data(), buffer.size()));
    }
}

VolumeMuteInfo VolumeVM::record(uint32_t channel) const
{
    return channel < uint32_t(m_records.size()) ? m_records.at(int(channel)) : VolumeMuteInfo();
}

void VolumeVM::setupMaster()
{
    if (m_records.isEmpty()) {
        setIsMasterVisible(false);
        return;
    }
    setIsMasterVisible(true);
    const VolumeMuteInfo master = m_records.first();
    setMinVolumeRange(VolumeConversion::toWholeDb(master.minimum));
    setMaxVolumeRange(VolumeConversion::toWholeDb(master.maximum));
    if (master.hasVolumeControl())
        m_masterVolumeControl = true;
    if (master.hasMuteControl())
        m_masterMuteControl = true;
    refreshMaster();
}

void VolumeVM::refreshMaster()
{
    if (!m_masterMuteControl) {
        qCDebug(lcViewModels, ": No mute control.\n");
        setIsMasterMuted(false);
    } else {
        bool muted = false;
        if (getMute(0, muted) != tusb::kOk) {
            m_masterMuteControl = false;
            qCDebug(lcViewModels, ": IsMuteOn failed\n");
        } else {
            setIsMasterMuted(muted);
        }
    }

    short value = 0;
    if (!m_masterVolumeControl) {
        qCDebug(lcViewModels, ": Get - No volume control.\n");
    } else if (getVolume(0, value) != tusb::kOk) {
        qCDebug(lcViewModels, ": GetOpenDeviceHandle failed.\n");
        m_masterVolumeControl = false;
        value = 0;
        qCDebug(lcViewModels, ": GetVolume failed\n");
    }
    setMasterValue(value);
}

void VolumeVM::buildChannelRows()
{
    QList<QSharedPointer<ChannelsModelItem>> rows;
    const uint32_t rowCount = m_channelCount / 2;
    for (uint32_t r = 0; r < rowCount; ++r) {
        const uint32_t left = 2 * r + 1;
        const uint32_t right = 2 * r + 2;
        const VolumeMuteInfo leftInfo = record(left);
        const VolumeMuteInfo rightInfo = record(right);

        // Both names or none.
        QString leftName;
        QString rightName;
        bool ok = false;
        const QString l = channelName(left, ok);
        if (ok) {
            const QString rn = channelName(right, ok);
            if (ok) {
                leftName = l;
                rightName = rn;
            }
        }

        if (leftInfo.hasMuteControl() && rightInfo.hasMuteControl())
            m_pairMuteControl = true;
        if (leftInfo.hasVolumeControl())
            m_leftVolumeControl = true;
        if (rightInfo.hasVolumeControl())
            m_rightVolumeControl = true;

        bool linked = m_leftVolumeControl && m_rightVolumeControl && leftInfo.sameRangeAs(rightInfo);

        bool muted = false;
        if (m_pairMuteControl) {
            bool leftMuted = false;
            bool rightMuted = false;
            bool failed = false;
            if (getMute(left, leftMuted) != tusb::kOk) {
                qCDebug(lcViewModels, ": GetMute (left) failed.\n");
                failed = true;
            } else if (getMute(right, rightMuted) != tusb::kOk) {
                qCDebug(lcViewModels, ": GetMute (right) failed.\n");
                failed = true;
            }
            if (failed)
                qCDebug(lcViewModels, ": IsMuteOn failed.\n");
            else
                muted = leftMuted && rightMuted;
        }

        short leftValue = 0;
        short rightValue = 0;
        bool readFailed = false;
        if (m_leftVolumeControl && getVolume(left, leftValue) != tusb::kOk) {
            qCDebug(lcViewModels, ": TUSBAUDIO_AudioControlRequestGet failed.\n");
            qCDebug(lcViewModels, ": GetVolume (left) failed.\n");
            readFailed = true;
        }
        if (m_rightVolumeControl && getVolume(right, rightValue) != tusb::kOk) {
            qCDebug(lcViewModels, ": TUSBAUDIO_AudioControlRequestGet failed.\n");
            qCDebug(lcViewModels, ": GetVolume (right) failed.\n");
            readFailed = true;
        }
        if (leftValue != rightValue)
            linked = false;
        if (readFailed)
            qCDebug(lcViewModels, ": GetVolumes failed.\n");

        rows.append(QSharedPointer<ChannelsModelItem>::create(
            leftValue, rightValue, left, right, VolumeConversion::toWholeDb(leftInfo.minimum),
            VolumeConversion::toWholeDb(leftInfo.maximum), VolumeConversion::toWholeDb(rightInfo.minimum),
            VolumeConversion::toWholeDb(rightInfo.maximum), leftName, rightName, linked, muted));
    }
    m_channels->insertItems(0, rows);
}

TSTATUS VolumeVM::getVolume(uint32_t channel, short &wholeDb)
{
    int16_t value = 0;
    const TSTATUS status =
        tusb::call(m_service->api().TUSBAUDIO_GetVolume, m_service->deviceHandle(), direction(), channel, &value);
    wholeDb = status == tusb::kOk ? VolumeConversion::toWholeDb(value) : 0;
    return status;
}

TSTATUS VolumeVM::getMute(uint32_t channel, bool &muted)
{
    uint32_t value = 0;
    const TSTATUS status =
        tusb::call(m_service->api().TUSBAUDIO_GetMute, m_service->deviceHandle(), direction(), channel, &value);
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ": TUSBAUDIO_GetMute failed.\n");
    muted = status == tusb::kOk && value != 0;
    return status;
}

TSTATUS VolumeVM::setVolume(uint32_t channel, int wholeDb)
{
    const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_SetVolume, m_service->deviceHandle(), direction(),
                                      channel, VolumeConversion::toDeviceValue(wholeDb));
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ": TUSBAUDIO_SetVolume failed.\n");
    return status;
}

TSTATUS VolumeVM::setMute(uint32_t channel, bool muted)
{
    const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_SetMute, m_service->deviceHandle(), direction(),
                                      channel, uint32_t(muted ? 1 : 0));
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ": TUSBAUDIO_SetMute failed.\n");
    return status;
}

QString VolumeVM::channelName(uint32_t channel, bool &ok)
{
    ChannelNameBuffer buffer{};
    const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_GetChannelInfo, m_service->deviceHandle(), direction(),
                                      channel, static_cast<void *>(buffer.data()));
    ok = status == tusb::kOk;
    return ok ? VolumeRecords::parseChannelName(buffer.data(), buffer.size()) : QString();
}

void VolumeVM::onMasterUpdate(short masterValue)
{
    if (!m_masterVolumeControl) {
        qCDebug(lcViewModels, ":Set -  No volume control.\n");
    } else if (setVolume(0, masterValue) != tusb::kOk) {
        m_masterVolumeControl = false;
        return;
    }
    qCDebug(lcViewModels).nospace() << "volume - : " << masterValue;
    // The slider shows this value now; unless the page knows it, the next direction's master,
    // read with the value the page last knew, would not move the slider off it.
    setMasterValue(masterValue);
}

void VolumeVM::onMasterMute()
{
    const bool next = !m_isMasterMuted;
    if (!m_masterMuteControl) {
        qCDebug(lcViewModels, ": No mute control.\n");
    } else if (setMute(0, next) != tusb::kOk) {
        m_masterMuteControl = false;
        return;
    }
    setIsMasterMuted(next);
}

// A row outside the list stands for no channel pair: such calls are ignored rather than
// addressing channels the page never showed.

void VolumeVM::onCommonUpdate(int index, int channelValue)
{
    if (!m_channels->item(index))
        return;
    const uint32_t left = 2 * uint32_t(index) + 1;
    if (m_leftVolumeControl && setVolume(left, channelValue) != tusb::kOk)
        qCDebug(lcViewModels, ": SetVolume (left) failed.\n");
    if (m_rightVolumeControl && setVolume(left + 1, channelValue) != tusb::kOk)
        qCDebug(lcViewModels, ": SetVolume (right) failed.\n");
}

void VolumeVM::onLeftChannelUpdate(int index, int leftChannelValue)
{
    if (m_channels->item(index))
        setVolume(2 * uint32_t(index) + 1, leftChannelValue);
}

void VolumeVM::onRightChannelUpdate(int index, int rightChannelValue)
{
    if (m_channels->item(index))
        setVolume(2 * uint32_t(index) + 2, rightChannelValue);
}

void VolumeVM::onLink(int index)
{
    const QSharedPointer<ChannelsModelItem> row = m_channels->item(index);
    if (!row)
        return;
    row->setIsLinked(!row->isLinked());
    m_channels->announceLinkChanged();
    rememberView();
}

void VolumeVM::onMute(int index)
{
    const QSharedPointer<ChannelsModelItem> row = m_channels->item(index);
    if (!row)
        return;
    const bool next = !row->isMuted();
    if (m_pairMuteControl) {
        const uint32_t left = 2 * uint32_t(index) + 1;
        if (setMute(left, next) != tusb::kOk)
            qCDebug(lcViewModels, ": SetMute (left) failed.\n");
        if (setMute(left + 1, next) != tusb::kOk)
            qCDebug(lcViewModels, ": SetMute (right) failed.\n");
    }
    row->setIsMuted(next);
    m_channels->announceMuteChanged();
}
