#include "FakeViewModel.h"

#include <QtQml>

namespace {
// Every property of the eight view models, at the value the real one has before activation.
QVariantMap defaults()
{
    return {
        // status
        {"deviceNames", QStringList()}, {"sampleRate", 0}, {"activeDevice", QString()},
        {"disableDropDown", false}, {"connected", false}, {"resetDropDown", false}, {"debugActivated", false},
        {"id", QString()}, {"mux0", QString()}, {"mux1", QString()}, {"adc", QString()}, {"fx", QString()},
        {"tempo", QString()}, {"constant", QString()},
        // info
        {"manufacturer", QString()}, {"product", QString()}, {"pid", QString()}, {"vid", QString()},
        {"revisionId", QString()}, {"serialNumber", QString()}, {"apiVersion", QString()}, {"buildType", QString()},
        {"streamingState", QString()}, {"activeKsClients", QString()}, {"activeAsioClients", QString()},
        // audio routing
        {"inputs12", QStringList()}, {"activeInput12", QString()}, {"resetInputs12DropDown", false},
        {"inputs32", QStringList()}, {"activeInput32", QString()}, {"resetInputs32DropDown", false},
        {"input32Visibility", false},
        // ducker
        {"duckerOn", false}, {"input1Checked", false}, {"input2Checked", false}, {"input3Checked", false},
        {"input4Checked", false}, {"meterReading", 0}, {"defaultMeterReading", 0}, {"sensitivity", 0},
        {"duckerRange", 0}, {"releaseTime", 0.0}, {"input3Visibility", false}, {"input4Visibility", false},
        // buffer settings
        {"activeStreamingMode", QString()}, {"resetUSBStreamingModeDropDown", false}, {"asioBufferSizes", QStringList()},
        {"currentAsioBufferSize", QString()}, {"resetAsioBufferSizeDropDown", false}, {"activeAsioBufferIndex", -1},
        {"showWarning", false}, {"inputFormats", QStringList()}, {"currentInputFormat", QString()},
        {"resetInputFormatDropDown", false}, {"outputFormats", QStringList()}, {"currentOutputFormat", QString()},
        {"resetOutputFormatDropDown", false}, {"enableStreamFormatSelection", false}, {"safeMode", false},
        {"safeModeEnabled", false},
        // volume
        {"isMasterVisible", false}, {"isInput", true}, {"masterValue", 0}, {"isMasterMuted", false},
        {"maxVolumeRange", 0}, {"minVolumeRange", 0},
    };
}

const QStringList kRoles{"leftChannelValue", "rightChannelValue", "leftChannelIndex", "rightChannelIndex",
                         "leftLower", "leftUpper", "rightLower", "rightUpper", "leftChannelName",
                         "rightChannelName", "link", "mute"};
} // namespace

FakeViewModel::FakeViewModel(QObject *parent) : QQmlPropertyMap(this, parent), m_channels(new QStandardItemModel(this))
{
    QHash<int, QByteArray> roles;
    for (int i = 0; i < kRoles.size(); ++i)
        roles.insert(Qt::UserRole + 1 + i, kRoles[i].toLatin1());
    m_channels->setItemRoleNames(roles);
    QVariantMap state = defaults();
    for (auto it = nextState().cbegin(); it != nextState().cend(); ++it)
        state.insert(it.key(), it.value());
    for (auto it = state.cbegin(); it != state.cend(); ++it)
        insert(it.key(), it.value());
    insert("channels", QVariant::fromValue<QObject *>(m_channels));
    // Only writes from QML arrive here: the labels a view sets before calling the page.
    connect(this, &QQmlPropertyMap::valueChanged, this,
            [](const QString &key, const QVariant &value) { note(key + "=" + value.toString()); });
}

QStringList &FakeViewModel::journal()
{
    static QStringList calls;
    return calls;
}

QVariantMap &FakeViewModel::nextState()
{
    static QVariantMap state;
    return state;
}

void FakeViewModel::setPairs(const QList<Pair> &pairs)
{
    m_channels->clear();
    for (int r = 0; r < pairs.size(); ++r) {
        const QVariantList values{pairs[r].left, pairs[r].right, uint(2 * r + 1), uint(2 * r + 2), -60, 0, -60, 0,
                                  QStringLiteral("L%1").arg(r + 1), QStringLiteral("R%1").arg(r + 1),
                                  pairs[r].linked, pairs[r].muted};
        auto *item = new QStandardItem;
        for (int i = 0; i < values.size(); ++i)
            item->setData(values[i], Qt::UserRole + 1 + i);
        m_channels->appendRow(item);
    }
}

void FakeViewModel::flip(const QString &key, const char *call)
{
    note(QString::fromLatin1(call));
    insert(key, !value(key).toBool());
}

void FakeViewModel::flipRow(int row, const QByteArray &role)
{
    const int r = Qt::UserRole + 1 + kRoles.indexOf(QString::fromLatin1(role));
    m_channels->setData(m_channels->index(row, 0), !m_channels->index(row, 0).data(r).toBool(), r);
}

FakeWrapper::~FakeWrapper()
{
    FakeViewModel::journal().append("deleted");
    delete m_vm;
}

void FakeWrapper::registerTypes()
{
    for (const char *name : {"StatusVMWrapper", "InfoVMWrapper", "ClientInfoVMWrapper", "AudioRoutingVMWrapper",
                             "DuckerVMWrapper", "BufferSettingsVMWrapper", "FormatVMWrapper", "VolumeVMWrapper"})
        qmlRegisterType<FakeWrapper>(name, 1, 0, name);
}
