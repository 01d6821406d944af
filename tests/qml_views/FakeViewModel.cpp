#include "FakeViewModel.h"

#include <QtQml>

#include "viewmodels/AudioRoutingVM.h"
#include "viewmodels/BufferSettingsVM.h"
#include "viewmodels/ChannelsListModel.h"
#include "viewmodels/DuckerVM.h"
#include "viewmodels/InfoVM.h"
#include "viewmodels/StatusVM.h"
#include "viewmodels/VolumeVM.h"

namespace {
// Every value property of the real view models, so that a renamed one fails here too, at the
// value the real one has before activation.
QVariantMap defaults()
{
    QVariantMap state{{"isInput", true}, {"activeAsioBufferIndex", -1}};
    for (const QMetaObject *m :
         {&StatusVM::staticMetaObject, &InfoVM::staticMetaObject, &AudioRoutingVM::staticMetaObject,
          &DuckerVM::staticMetaObject, &BufferSettingsVM::staticMetaObject, &VolumeVM::staticMetaObject}) {
        for (int i = QObject::staticMetaObject.propertyCount(); i < m->propertyCount(); ++i) {
            const QMetaProperty p = m->property(i);
            if (!(QMetaType::typeFlags(p.userType()) & QMetaType::PointerToQObject) && !state.contains(p.name()))
                state.insert(p.name(), QVariant(p.userType(), nullptr));
        }
    }
    return state;
}

} // namespace

FakeViewModel::FakeViewModel(QObject *parent) : QQmlPropertyMap(this, parent), m_channels(new QStandardItemModel(this))
{
    m_channels->setItemRoleNames(ChannelsListModel().roleNames()); // Qt::UserRole + 1 on, in Pair order
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
        const QVariantList values{pairs[r].left,
                                  pairs[r].right,
                                  uint(2 * r + 1),
                                  uint(2 * r + 2),
                                  -60,
                                  0,
                                  -60,
                                  0,
                                  QStringLiteral("L%1").arg(r + 1),
                                  QStringLiteral("R%1").arg(r + 1),
                                  pairs[r].linked,
                                  pairs[r].muted};
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
    const int r = m_channels->roleNames().key(role);
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
