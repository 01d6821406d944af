#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"
#include "device/TUsbAudioApi.h"
#include "device/VolumeRecords.h"
#include "viewmodels/ChannelsListModel.h"

#include <QObject>
#include <QSharedPointer>
#include <QVariantMap>
#include <QVector>

class IAppCacheService;
class IUIService;
class LumenCommunicationService;
class MessageBus;

// "Volume" page: master volume and mute of one direction and one row per channel pair, in
// whole dB. Every activation and direction change reloads everything from the device.
class VolumeVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
    Q_PROPERTY(bool isMasterVisible READ isMasterVisible WRITE setIsMasterVisible NOTIFY isMasterVisibleChanged)
    Q_PROPERTY(bool isInput READ isInput WRITE setIsInput NOTIFY isInputChanged)
    Q_PROPERTY(short masterValue READ masterValue WRITE setMasterValue NOTIFY masterValueChanged)
    Q_PROPERTY(bool isMasterMuted READ isMasterMuted WRITE setIsMasterMuted NOTIFY isMasterMutedChanged)
    Q_PROPERTY(short maxVolumeRange READ maxVolumeRange WRITE setMaxVolumeRange NOTIFY maxVolumeRangeChanged)
    Q_PROPERTY(short minVolumeRange READ minVolumeRange WRITE setMinVolumeRange NOTIFY minVolumeRangeChanged)
    Q_PROPERTY(ChannelsListModel *channels READ channels NOTIFY channelsChanged)

public:
    VolumeVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
             QObject *parent = nullptr);
    // With `ui` and `cache` the page keeps what the person left (the direction, the link
    // choices) in the cache, and takes it back when the window builds the page again on a show.
    VolumeVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
             QSharedPointer<IUIService> ui, QSharedPointer<IAppCacheService> cache, QObject *parent = nullptr);
    ~VolumeVM() override;

    bool isMasterVisible() const { return m_isMasterVisible; }
    bool isInput() const { return m_isInput; }
    short masterValue() const { return m_masterValue; }
    bool isMasterMuted() const { return m_isMasterMuted; }
    short maxVolumeRange() const { return m_maxVolumeRange; }
    short minVolumeRange() const { return m_minVolumeRange; }
    ChannelsListModel *channels() const { return m_channels.data(); }

    void setIsMasterVisible(bool value);
    void setIsInput(bool value);
    void setMasterValue(short value);
    void setIsMasterMuted(bool value);
    void setMaxVolumeRange(short value);
    void setMinVolumeRange(short value);

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;

    Q_INVOKABLE void onInputSelected();
    Q_INVOKABLE void onOutputSelected();
    Q_INVOKABLE void onMasterUpdate(short masterValue);
    Q_INVOKABLE void onMasterMute();
    Q_INVOKABLE void onCommonUpdate(int index, int channelValue);
    Q_INVOKABLE void onLeftChannelUpdate(int index, int leftChannelValue);
    Q_INVOKABLE void onRightChannelUpdate(int index, int rightChannelValue);
    Q_INVOKABLE void onLink(int index);
    Q_INVOKABLE void onMute(int index);

    // The channel count is taken from the driver's formats; USB audio numbers channels in one
    // byte, so no direction has more than this.
    static constexpr uint32_t kMaxChannelCount = 255;

signals:
    void isInputChanged();
    void masterValueChanged();
    void isMasterMutedChanged();
    void channelsChanged();
    void isMasterVisibleChanged();
    void maxVolumeRangeChanged();
    void minVolumeRangeChanged();

private:
    void reload();
    QString viewOwner() const;
    void rememberView();
    // The direction, then (after the reload) the link choices the page showed when it went.
    QVariantMap viewToRestore() const;
    void restoreLinks(const QVariantList &links);
    void readChannelCount();
    void readRecords();
    void setupMaster();
    void refreshMaster();
    void buildChannelRows();

    uint32_t direction() const { return m_isInput ? tusb::kDirectionInput : tusb::kDirectionOutput; }
    VolumeMuteInfo record(uint32_t channel) const;
    TSTATUS getVolume(uint32_t channel, short &wholeDb);
    TSTATUS getMute(uint32_t channel, bool &muted);
    TSTATUS setVolume(uint32_t channel, int wholeDb);
    TSTATUS setMute(uint32_t channel, bool muted);
    QString channelName(uint32_t channel, bool &ok);

    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QSharedPointer<IUIService> m_ui;
    QSharedPointer<IAppCacheService> m_cache;
    bool m_isMasterVisible = false;
    bool m_isInput = true;
    short m_masterValue = 0;
    bool m_isMasterMuted = false;
    short m_maxVolumeRange = 0;
    short m_minVolumeRange = 0;
    uint32_t m_channelCount = 0;
    QSharedPointer<ChannelsListModel> m_channels;
    bool m_masterVolumeControl = false;
    bool m_masterMuteControl = false;
    bool m_leftVolumeControl = false;
    bool m_rightVolumeControl = false;
    bool m_pairMuteControl = false;
    QVector<VolumeMuteInfo> m_records;
};
