#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"
#include "device/TUsbAudioApi.h"
#include "viewmodels/MeterArithmetic.h"

#include <QFutureWatcher>
#include <QObject>
#include <QSharedPointer>

class IRegistryService;
class IUIService;
class LumenCommunicationService;
class MessageBus;
class QTimer;

// One meter read as the pool thread saw it.
struct MeterReadResult
{
    TSTATUS status = tusb::kEntryPointMissing;
    int32_t level = 0;
};

// The ducker page: switch, trigger inputs, threshold, duck range and release, each sent to
// the mixer at once and stored per model; while the ducker is on, the mixer's level meter is
// read every 50 ms on Qt's global thread pool.
class DuckerVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
    Q_PROPERTY(bool duckerOn READ duckerOn WRITE setDuckerOn NOTIFY duckerOnChanged)
    Q_PROPERTY(bool input1Checked READ input1Checked WRITE setInput1Checked NOTIFY input1CheckedChanged)
    Q_PROPERTY(bool input2Checked READ input2Checked WRITE setInput2Checked NOTIFY input2CheckedChanged)
    Q_PROPERTY(bool input3Checked READ input3Checked WRITE setInput3Checked NOTIFY input3CheckedChanged)
    Q_PROPERTY(bool input4Checked READ input4Checked WRITE setInput4Checked NOTIFY input4CheckedChanged)
    Q_PROPERTY(int meterReading READ meterReading WRITE setMeterReading NOTIFY meterReadingChanged)
    Q_PROPERTY(
        int defaultMeterReading READ defaultMeterReading WRITE setDefaultMeterReading NOTIFY defaultMeterReadingChanged)
    Q_PROPERTY(int sensitivity READ sensitivity WRITE setSensitivity NOTIFY sensitivityChanged)
    Q_PROPERTY(int duckerRange READ duckerRange WRITE setDuckerRange NOTIFY duckerRangeChanged)
    Q_PROPERTY(double releaseTime READ releaseTime WRITE setReleaseTime NOTIFY releaseTimeChanged)
    Q_PROPERTY(bool input3Visibility READ input3Visibility WRITE setInput3Visibility NOTIFY input3VisibilityChanged)
    Q_PROPERTY(bool input4Visibility READ input4Visibility WRITE setInput4Visibility NOTIFY input4VisibilityChanged)

public:
    DuckerVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
             QObject *parent = nullptr);
    // `ui` tells a page the person opened from one the window builds again when it is shown.
    DuckerVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
             QSharedPointer<IUIService> ui, QObject *parent = nullptr);
    ~DuckerVM() override;

    bool duckerOn() const { return m_duckerOn; }
    bool input1Checked() const { return m_input1Checked; }
    bool input2Checked() const { return m_input2Checked; }
    bool input3Checked() const { return m_input3Checked; }
    bool input4Checked() const { return m_input4Checked; }
    int meterReading() const { return m_meterReading; }
    int defaultMeterReading() const { return m_defaultMeterReading; }
    int sensitivity() const { return m_sensitivity; }
    int duckerRange() const { return m_duckerRange; }
    double releaseTime() const { return m_releaseTime; }
    bool input3Visibility() const { return m_input3Visibility; }
    bool input4Visibility() const { return m_input4Visibility; }

    void setDuckerOn(bool value);
    void setInput1Checked(bool value);
    void setInput2Checked(bool value);
    void setInput3Checked(bool value);
    void setInput4Checked(bool value);
    void setMeterReading(int value);
    // Always signals: the view re-reads it when the ducker goes off.
    void setDefaultMeterReading(int value);
    void setSensitivity(int value);
    void setDuckerRange(int value);
    void setReleaseTime(double value);
    void setInput3Visibility(bool value);
    void setInput4Visibility(bool value);

    // The trigger-input mask shared by every ducker page of the process (GUI thread only).
    static int duckerInputMask();

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;
    Q_INVOKABLE void onDuckerToggled();
    Q_INVOKABLE void onChannel1SelectionChanged();
    Q_INVOKABLE void onChannel2SelectionChanged();
    Q_INVOKABLE void onChannel3SelectionChanged();
    Q_INVOKABLE void onChannel4SelectionChanged();
    Q_INVOKABLE void onReleaseTimeChanged(double time);
    Q_INVOKABLE void onDuckerRangeChanged(int range);
    Q_INVOKABLE void onSensitivityChanged(int sensitivity);

signals:
    void duckerOnChanged();
    void input1CheckedChanged();
    void input2CheckedChanged();
    void input3CheckedChanged();
    void input4CheckedChanged();
    void meterReadingChanged();
    void sensitivityChanged();
    void duckerRangeChanged();
    void releaseTimeChanged();
    void input3VisibilityChanged();
    void input4VisibilityChanged();
    void defaultMeterReadingChanged();

private slots:
    void triggerMeterReading();

private:
    void refreshFromStore();
    void applyDuckerOnState();
    void loadDuckerParameters();
    void startMeterPolling();
    void stopMeterPolling();
    void toggleTriggerInput(bool checked, void (DuckerVM::*setter)(bool), int bit, const QString &key);
    void onMeterReadFinished();
    // Ducker parameter write. For 0x0280 `value` is ignored: the block is rebuilt from the
    // stored "On", the trigger mask and the release time (nothing is sent without a store).
    TSTATUS setDuckerOnDevice(uint16_t parameter, uint32_t value);
    void writeAttackHold();
    int releaseTimeMs() const;

    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QSharedPointer<IRegistryService> m_store;
    QSharedPointer<IUIService> m_ui;
    bool m_duckerOn = false;
    bool m_input1Checked = false;
    bool m_input2Checked = false;
    bool m_input3Checked = false;
    bool m_input4Checked = false;
    int m_meterReading = 0;
    int m_defaultMeterReading = 0;
    int m_sensitivity = 0;
    int m_duckerRange = 0;
    double m_releaseTime = 0.0;
    bool m_input3Visibility = false;
    bool m_input4Visibility = false;
    QTimer *m_meterTimer = nullptr;
    PeakHoldMeter m_peakHold;
    // At most one read in flight: while the driver blocks (up to 1000 ms) ticks are skipped.
    // The worker only sees the entry point and handle captured when it was started; its result
    // comes back through this watcher, which a destroyed page takes with it.
    QFutureWatcher<MeterReadResult> m_meterWatcher;
    bool m_meterReadInFlight = false;
};
