#pragma once
// One stand-in for all eight page view models: every property of theirs lives in a property map
// (so a test sets any of them and the page's bindings follow), and every invokable exists with
// the real signature (so QML converts arguments as it would for the real one). Each call, and
// each property the page writes, goes into a journal the test reads back in order. The few
// reactions the views rely on are copied: drop-down flags toggle, switches flip.
#include <QQmlPropertyMap>
#include <QStandardItemModel>
#include <QStringList>

class FakeViewModel : public QQmlPropertyMap
{
    Q_OBJECT
public:
    explicit FakeViewModel(QObject *parent = nullptr);

    static QStringList &journal();
    // Applied over the defaults by the next fake made (the next page loaded).
    static QVariantMap &nextState();

    // Volume rows: {left, right, linked, muted} per pair, range -60..0 dB, names "L<n>"/"R<n>".
    struct Pair
    {
        int left, right;
        bool linked, muted;
    };
    void setPairs(const QList<Pair> &pairs);

    Q_INVOKABLE void onActivate() { note("onActivate()"); }
    Q_INVOKABLE bool onDeactivate()
    {
        note("onDeactivate()");
        return true;
    }

    Q_INVOKABLE void onDebugActivated()
    {
        note("onDebugActivated()");
        insert("debugActivated", true);
    }
    Q_INVOKABLE void setDeviceIndex(int index, QString devicename) { log("setDeviceIndex", index, devicename); }
    Q_INVOKABLE void showList() { flip("resetDropDown", "showList()"); }

    Q_INVOKABLE void showInputs12List() { flip("resetInputs12DropDown", "showInputs12List()"); }
    Q_INVOKABLE void showInputs32List() { flip("resetInputs32DropDown", "showInputs32List()"); }
    Q_INVOKABLE void onInputs12Changed(int index, QString input12) { log("onInputs12Changed", index, input12); }
    Q_INVOKABLE void onInputs32Changed(int index, QString input32) { log("onInputs32Changed", index, input32); }

    Q_INVOKABLE void onDuckerToggled() { flip("duckerOn", "onDuckerToggled()"); }
    Q_INVOKABLE void onChannel1SelectionChanged() { flip("input1Checked", "onChannel1SelectionChanged()"); }
    Q_INVOKABLE void onChannel2SelectionChanged() { flip("input2Checked", "onChannel2SelectionChanged()"); }
    Q_INVOKABLE void onChannel3SelectionChanged() { flip("input3Checked", "onChannel3SelectionChanged()"); }
    Q_INVOKABLE void onChannel4SelectionChanged() { flip("input4Checked", "onChannel4SelectionChanged()"); }
    Q_INVOKABLE void onReleaseTimeChanged(double time) { log("onReleaseTimeChanged", time); }
    Q_INVOKABLE void onDuckerRangeChanged(int range) { log("onDuckerRangeChanged", range); }
    Q_INVOKABLE void onSensitivityChanged(int sensitivity) { log("onSensitivityChanged", sensitivity); }

    Q_INVOKABLE void showUSBStreamingModeList() { flip("resetUSBStreamingModeDropDown", "showUSBStreamingModeList()"); }
    Q_INVOKABLE void showAsioBufferList() { flip("resetAsioBufferSizeDropDown", "showAsioBufferList()"); }
    Q_INVOKABLE void showInputFormatList() { flip("resetInputFormatDropDown", "showInputFormatList()"); }
    Q_INVOKABLE void showOuputFormatList() { flip("resetOutputFormatDropDown", "showOuputFormatList()"); }
    Q_INVOKABLE void onUSBStreamingModeChanged(int index, QString mode)
    {
        log("onUSBStreamingModeChanged", index, mode);
    }
    Q_INVOKABLE void onAsioSelectionChanged(int index, QString size) { log("onAsioSelectionChanged", index, size); }
    Q_INVOKABLE void onInputFormatSelectionChanged(int index, QString f)
    {
        log("onInputFormatSelectionChanged", index, f);
    }
    Q_INVOKABLE void onOutputFormatSelectionChanged(int index, QString f)
    {
        log("onOutputFormatSelectionChanged", index, f);
    }
    Q_INVOKABLE void onSafeModeSelectionChanged() { flip("safeMode", "onSafeModeSelectionChanged()"); }

    Q_INVOKABLE void onInputSelected() { note("onInputSelected()"); }
    Q_INVOKABLE void onOutputSelected() { note("onOutputSelected()"); }
    Q_INVOKABLE void onMasterUpdate(short masterValue) { log("onMasterUpdate", masterValue); }
    Q_INVOKABLE void onMasterMute() { flip("isMasterMuted", "onMasterMute()"); }
    Q_INVOKABLE void onCommonUpdate(int index, int value) { log("onCommonUpdate", index, value); }
    Q_INVOKABLE void onLeftChannelUpdate(int index, int value) { log("onLeftChannelUpdate", index, value); }
    Q_INVOKABLE void onRightChannelUpdate(int index, int value) { log("onRightChannelUpdate", index, value); }
    Q_INVOKABLE void onLink(int index)
    {
        log("onLink", index);
        flipRow(index, "link");
    }
    Q_INVOKABLE void onMute(int index)
    {
        log("onMute", index);
        flipRow(index, "mute");
    }

private:
    static void note(const QString &entry) { journal().append(entry); }
    template <typename... Args>
    static void log(const char *name, Args... args)
    {
        QStringList parts{QString::number(args)...};
        note(QStringLiteral("%1(%2)").arg(QLatin1String(name), parts.join(',')));
    }
    static void log(const char *name, int index, const QString &text)
    {
        note(QStringLiteral("%1(%2,%3)").arg(QLatin1String(name)).arg(index).arg(text));
    }
    void flip(const QString &key, const char *call);
    void flipRow(int row, const QByteArray &role);

    QStandardItemModel *m_channels;
};

// The wrapper stand-in: one type, registered under the eight real module names, whose eight
// view-model properties all return its own fake. Deleting it deletes the fake, as the real
// wrappers delete their view models.
class FakeWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *statusVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *infoVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *clientInfoVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *audioRoutingVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *duckerVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *bufferSettingsVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *formatVM READ viewModel CONSTANT)
    Q_PROPERTY(QObject *volumeVM READ viewModel CONSTANT)
public:
    explicit FakeWrapper(QObject *parent = nullptr) : QObject(parent), m_vm(new FakeViewModel) {}
    ~FakeWrapper() override;
    QObject *viewModel() const { return m_vm; }

    static void registerTypes();

private:
    FakeViewModel *m_vm;
};
