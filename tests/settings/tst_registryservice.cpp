// The per-model stores over real settings files in the test's own XDG_CONFIG_HOME.
#include "app/AppConstants.h"
#include "settings/AltoRegistryService.h"
#include "settings/BassoRegistryService.h"
#include "settings/TenorRegistryService.h"

#include <QtTest>

#include <QProcess>
#include <QSettings>

#include <memory>

using namespace AppConstants;

namespace {

using Values = QMap<QString, int>;

std::unique_ptr<IRegistryService> makeStore(const QString &model)
{
    if (model == QLatin1String("Alto"))
        return std::make_unique<AltoRegistryService>();
    if (model == QLatin1String("Tenor"))
        return std::make_unique<TenorRegistryService>();
    return std::make_unique<BassoRegistryService>();
}

Values groupContents(const QString &group)
{
    QSettings s;
    s.beginGroup(group);
    Values v;
    for (const QString &k : s.childKeys())
        v.insert(k, s.value(k).toInt());
    return v;
}

const Values kAltoTenorDucker{{kOn, 0},          {kInput1, 0},        {kInput2, 0},      {kSensitivity, -30},
                              {kDuckerRange, 40}, {kReleaseTime, 2000}, {kAttackTime, 50}, {kHoldTime, 250}};

// Child-process mode: prints every Alto value a fresh store reads, one "key=value" a line.
int runChild()
{
    AltoRegistryService store;
    QTextStream out(stdout);
    out << "Input12=" << store.getAudioRoutingValue(kInput12).toString() << '\n';
    for (const QString &k : {kOn, kInput1, kInput2, kSensitivity, kDuckerRange, kReleaseTime, kAttackTime, kHoldTime})
        out << k << '=' << store.getDuckerValue(k).toString() << '\n';
    return 0;
}

QMap<QString, QString> readInChild()
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CALDER_SETTINGS_CHILD"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), QStringList());
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    QMap<QString, QString> values;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return values;
}

} // namespace

class TestRegistryService : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void defaultsPerModel_data();
    void defaultsPerModel();
    void groupWithAnyKeyIsLeftAlone();
    void valuesAreSharedBetweenStoreObjects();
    void valuesSurviveAProcessRestart();
};

void TestRegistryService::init()
{
    QSettings s;
    s.clear();
    s.sync();
}

void TestRegistryService::defaultsPerModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<Values>("routing");
    QTest::addColumn<Values>("ducker");
    Values basso = kAltoTenorDucker;
    basso.insert(kInput3, 0);
    basso.insert(kInput4, 0);
    QTest::newRow("Alto") << "Alto" << Values{{kInput12, 0}} << kAltoTenorDucker;
    QTest::newRow("Tenor") << "Tenor" << Values{{kInput12, 0}} << kAltoTenorDucker;
    QTest::newRow("Basso") << "Basso" << Values{{kInput12, 0}, {kInput32, 0}} << basso;
}

void TestRegistryService::defaultsPerModel()
{
    QFETCH(QString, model);
    QFETCH(Values, routing);
    QFETCH(Values, ducker);

    auto store = makeStore(model);
    QCOMPARE(groupContents(model + "/AudioRouting"), routing);
    QCOMPARE(groupContents(model + "/Ducker"), ducker);
    QCOMPARE(store->getDuckerValue(kSensitivity).toInt(), -30);
    QVERIFY(!store->getDuckerValue(QStringLiteral("NoSuchKey")).isValid());

    // Only the model's own groups are written.
    QSettings s;
    QCOMPARE(s.childGroups(), QStringList{model});

    // A second store finds the keys and changes nothing.
    store->setDuckerValue(kOn, 1);
    auto again = makeStore(model);
    QCOMPARE(again->getDuckerValue(kOn).toInt(), 1);
}

void TestRegistryService::groupWithAnyKeyIsLeftAlone()
{
    {
        QSettings s;
        s.setValue(kAltoAudioRouting + "/Unrelated", 7);
        s.setValue(kAltoDucker + "/" + kOn, 1);
    }
    AltoRegistryService store;
    QCOMPARE(groupContents(kAltoAudioRouting), (Values{{QStringLiteral("Unrelated"), 7}}));
    QVERIFY(!store.getAudioRoutingValue(kInput12).isValid());
    QCOMPARE(store.getAudioRoutingValue(kInput12).toInt(), 0);
    // Missing keys of a non-empty group are not completed one by one.
    QCOMPARE(groupContents(kAltoDucker), (Values{{kOn, 1}}));
    // The other models are untouched.
    QVERIFY(groupContents(kTenorDucker).isEmpty());
}

void TestRegistryService::valuesAreSharedBetweenStoreObjects()
{
    BassoRegistryService writer;
    writer.setAudioRoutingValue(kInput32, 2);
    writer.setDuckerValue(kInput3, 4);
    writer.setDuckerValue(kReleaseTime, 750);

    BassoRegistryService reader;
    QCOMPARE(reader.getAudioRoutingValue(kInput32).toInt(), 2);
    QCOMPARE(reader.getDuckerValue(kInput3).toInt(), 4);
    QCOMPARE(reader.getDuckerValue(kReleaseTime).toDouble(), 750.0);
    // Same key, other model: separate.
    TenorRegistryService tenor;
    QCOMPARE(tenor.getDuckerValue(kReleaseTime).toInt(), 2000);
    QVERIFY(!tenor.getDuckerValue(kInput3).isValid());
}

void TestRegistryService::valuesSurviveAProcessRestart()
{
    {
        AltoRegistryService store;
        store.setAudioRoutingValue(kInput12, 3);
        store.setDuckerValue(kInput2, 2);
        store.setDuckerValue(kSensitivity, -12);
    } // written back when the store goes

    // The application's own file, inside this test's configuration folder.
    QVERIFY(QSettings().fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brightwell/"));
    const auto child = readInChild();
    QCOMPARE(child.value(kInput12), QStringLiteral("3"));
    QCOMPARE(child.value(kInput2), QStringLiteral("2"));
    QCOMPARE(child.value(kSensitivity), QStringLiteral("-12"));
    QCOMPARE(child.value(kDuckerRange), QStringLiteral("40"));
    QCOMPARE(child.value(kHoldTime), QStringLiteral("250"));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(kOrganizationName);
    QCoreApplication::setApplicationName(kApplicationName);
    if (qEnvironmentVariableIsSet("CALDER_SETTINGS_CHILD"))
        return runChild();
    TestRegistryService t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_registryservice.moc"
