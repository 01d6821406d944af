#pragma once
#include "core/IActivityAware.h"
#include "device/AsioInstanceRecord.h"
#include "device/ICommunicationReplyListener.h"
#include "device/TUsbAudioApi.h"

#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <array>

class LumenCommunicationService;
class MessageBus;

// "Buffer Settings" page: the input and output stream formats, the ASIO buffer size and the
// driver's safe-mode flag of the open device.
class BufferSettingsVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
    Q_PROPERTY(QString activeStreamingMode READ activeStreamingMode WRITE setActiveStreamingMode NOTIFY
                   activeStreamingModeChanged)
    Q_PROPERTY(bool resetUSBStreamingModeDropDown READ resetUSBStreamingModeDropDown WRITE
                   setResetUSBStreamingModeDropDown NOTIFY resetUSBStreamingModeDropDownChanged)
    Q_PROPERTY(QStringList asioBufferSizes READ asioBufferSizes NOTIFY asioBufferSizesChanged)
    Q_PROPERTY(QString currentAsioBufferSize READ currentAsioBufferSize WRITE setCurrentAsioBufferSize NOTIFY
                   currentAsioBufferSizeChanged)
    Q_PROPERTY(bool resetAsioBufferSizeDropDown READ resetAsioBufferSizeDropDown WRITE setResetAsioBufferSizeDropDown
                   NOTIFY resetAsioBufferSizeDropDownChanged)
    Q_PROPERTY(int activeAsioBufferIndex READ activeAsioBufferIndex WRITE setActiveAsioBufferIndex NOTIFY
                   activeAsioBufferIndexChanged)
    Q_PROPERTY(bool showWarning READ showWarning WRITE setShowWarning NOTIFY showWarningChanged)
    Q_PROPERTY(QStringList inputFormats READ inputFormats NOTIFY inputFormatsChanged)
    Q_PROPERTY(
        QString currentInputFormat READ currentInputFormat WRITE setCurrentInputFormat NOTIFY currentInputFormatChanged)
    Q_PROPERTY(bool resetInputFormatDropDown READ resetInputFormatDropDown WRITE setResetInputFormatDropDown NOTIFY
                   resetInputFormatDropDownChanged)
    Q_PROPERTY(QStringList outputFormats READ outputFormats NOTIFY outputFormatsChanged)
    Q_PROPERTY(QString currentOutputFormat READ currentOutputFormat WRITE setCurrentOutputFormat NOTIFY
                   currentOutputFormatChanged)
    Q_PROPERTY(bool resetOutputFormatDropDown READ resetOutputFormatDropDown WRITE setResetOutputFormatDropDown NOTIFY
                   resetOutputFormatDropDownChanged)
    Q_PROPERTY(bool enableStreamFormatSelection READ enableStreamFormatSelection WRITE setEnableStreamFormatSelection
                   NOTIFY enableStreamFormatSelectionChanged)
    Q_PROPERTY(bool safeMode READ safeMode WRITE setSafeMode NOTIFY safeModeChanged)
    Q_PROPERTY(bool safeModeEnabled READ safeModeEnabled WRITE setSafeModeEnabled NOTIFY safeModeEnabledChanged)

public:
    BufferSettingsVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                     QObject *parent = nullptr);
    ~BufferSettingsVM() override;

    QString activeStreamingMode() const { return m_activeStreamingMode; }
    bool resetUSBStreamingModeDropDown() const { return m_resetUSBStreamingModeDropDown; }
    QStringList asioBufferSizes() const { return m_asioBufferSizes; }
    QString currentAsioBufferSize() const { return m_currentAsioBufferSize; }
    bool resetAsioBufferSizeDropDown() const { return m_resetAsioBufferSizeDropDown; }
    int activeAsioBufferIndex() const { return m_activeAsioBufferIndex; }
    bool showWarning() const { return m_showWarning; }
    QStringList inputFormats() const { return m_inputFormats; }
    QString currentInputFormat() const { return m_currentInputFormat; }
    bool resetInputFormatDropDown() const { return m_resetInputFormatDropDown; }
    QStringList outputFormats() const { return m_outputFormats; }
    QString currentOutputFormat() const { return m_currentOutputFormat; }
    bool resetOutputFormatDropDown() const { return m_resetOutputFormatDropDown; }
    bool enableStreamFormatSelection() const { return m_enableStreamFormatSelection; }
    bool safeMode() const { return m_safeMode; }
    bool safeModeEnabled() const { return m_safeModeEnabled; }

    void setActiveStreamingMode(const QString &value);
    void setResetUSBStreamingModeDropDown(bool value);
    void setCurrentAsioBufferSize(const QString &value);
    void setResetAsioBufferSizeDropDown(bool value);
    void setActiveAsioBufferIndex(int value);
    void setShowWarning(bool value);
    void setCurrentInputFormat(const QString &value);
    void setResetInputFormatDropDown(bool value);
    void setCurrentOutputFormat(const QString &value);
    void setResetOutputFormatDropDown(bool value);
    void setEnableStreamFormatSelection(bool value);
    void setSafeMode(bool value);
    void setSafeModeEnabled(bool value);

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;

    Q_INVOKABLE void showUSBStreamingModeList();
    Q_INVOKABLE void showAsioBufferList();
    Q_INVOKABLE void showInputFormatList();
    Q_INVOKABLE void showOuputFormatList();
    Q_INVOKABLE void onUSBStreamingModeChanged(int index, QString streamingMode);
    Q_INVOKABLE void onAsioSelectionChanged(int index, QString asioSelection);
    Q_INVOKABLE void onInputFormatSelectionChanged(int index, QString inputSelection);
    Q_INVOKABLE void onOutputFormatSelectionChanged(int index, QString outputSelection);
    Q_INVOKABLE void onSafeModeSelectionChanged();

signals:
    void activeStreamingModeChanged();
    void resetUSBStreamingModeDropDownChanged();
    void asioBufferSizesChanged();
    void currentAsioBufferSizeChanged();
    void resetAsioBufferSizeDropDownChanged();
    void activeAsioBufferIndexChanged();
    void showWarningChanged();
    void inputFormatsChanged();
    void currentInputFormatChanged();
    void resetInputFormatDropDownChanged();
    void outputFormatsChanged();
    void currentOutputFormatChanged();
    void resetOutputFormatDropDownChanged();
    void enableStreamFormatSelectionChanged();
    void safeModeChanged(bool safeMode);
    void safeModeEnabledChanged(bool safeModeEnabled);

private:
    // Slot 0 is the input stream when the device has input formats, else the output stream.
    struct StreamSlot
    {
        bool isInput = false;
        bool present = false;
    };

    void reload();
    void detectStreams();
    uint32_t countFormats(uint32_t direction);
    TSTATUS displayStreamFormats(int slot);
    void displayBothStreams();
    TSTATUS saveSelectedFormat(int slot, uint32_t position);
    void onFormatSelectionChanged(int slot, int index);
    void readCurrentBufferSize();
    void readBufferSizeList();
    TSTATUS readAsioInstance();
    TSTATUS setPreferredBufferSize(uint32_t size, bool safe);
    void readSampleRate();

    uint32_t slotDirection(int slot) const;
    QStringList &formatList(uint32_t direction) { return direction ? m_inputFormats : m_outputFormats; }
    QMap<uint32_t, uint32_t> &formatMap(uint32_t direction) { return direction ? m_inputFormatMap : m_outputFormatMap; }
    // The text of the format the driver last reported as current (empty until then).
    QString &formatInForce(uint32_t direction) { return direction ? m_inputFormatInForce : m_outputFormatInForce; }

    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QString m_activeStreamingMode;
    bool m_resetUSBStreamingModeDropDown = false;
    QStringList m_asioBufferSizes;
    QString m_currentAsioBufferSize;
    bool m_resetAsioBufferSizeDropDown = false;
    int m_activeAsioBufferIndex = -1;
    bool m_showWarning = false;
    std::array<StreamSlot, 2> m_streams{};
    QStringList m_inputFormats;
    QString m_currentInputFormat;
    bool m_resetInputFormatDropDown = false;
    QStringList m_outputFormats;
    QString m_currentOutputFormat;
    bool m_resetOutputFormatDropDown = false;
    bool m_enableStreamFormatSelection = false;
    bool m_safeMode = false;
    QMap<uint32_t, uint32_t> m_inputFormatMap;
    QMap<uint32_t, uint32_t> m_outputFormatMap;
    QString m_inputFormatInForce;
    QString m_outputFormatInForce;
    AsioInstanceBuffer m_asioInstance{};
    const uint32_t m_asioInstanceNumber = 0;
    bool m_safeModeEnabled = false;
};
