// The per-model stores over real settings files in the test's own XDG_CONFIG_HOME.
#include "TestRig.h"
#include "app/AppConstants.h"
#include "device/StoreKeys.h"
#include "settings/AltoRegistryService.h"
#include "settings/BassoRegistryService.h"
#include "settings/TenorRegistryService.h"

#include <QtTest>

#include <QSettings>

#include <memory>

using namespace AppConstants;
using namespace StoreKeys;
using namespace testrig;

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

const Values kAltoTenorDucker{{kOn, 0},           {kInput1, 0},         {kInput2, 0},      {kSensitivity, -30},
                              {kDuckerRange, 40}, {kReleaseTime, 2000}, {kAttackTime, 50}, {kHoldTime, 250}};

} // namespace

class TestRegistryService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplicationIdentity(); }
    void init()
    {
        QSettings s;
        s.clear();
        s.sync();
    }

    void defaultsPerModel_data()
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

    void defaultsPerModel()
    {
        QFETCH(QString, model);
        QFETCH(Values, routing);
        QFETCH(Values, ducker);

        auto store = makeStore(model);
        QCOMPARE(groupContents(model + "/AudioRouting"), routing);
        QCOMPARE(groupContents(model + "/Ducker"), ducker);
        QVERIFY(!store->getDuckerValue(QStringLiteral("NoSuchKey")).isValid());

        QCOMPARE(QSettings().childGroups(), QStringList{model}); // only the model's own groups

        // A second store finds the keys and changes nothing.
        store->setDuckerValue(kOn, 1);
        auto again = makeStore(model);
        QCOMPARE(again->getDuckerValue(kOn).toInt(), 1);
    }

    void groupWithAnyKeyIsLeftAlone()
    {
        {
            QSettings s;
            s.setValue(kAltoAudioRouting + "/Unrelated", 7);
            s.setValue(kAltoDucker + "/" + kOn, 1);
        }
        AltoRegistryService store;
        QCOMPARE(groupContents(kAltoAudioRouting), (Values{{QStringLiteral("Unrelated"), 7}}));
        QVERIFY(!store.getAudioRoutingValue(kInput12).isValid());
        // Missing keys of a non-empty group are not completed one by one.
        QCOMPARE(groupContents(kAltoDucker), (Values{{kOn, 1}}));
        // The other models are untouched.
        QVERIFY(groupContents(kTenorDucker).isEmpty());
    }

    void modelsAreSeparate()
    {
        BassoRegistryService().setDuckerValue(kReleaseTime, 750);
        TenorRegistryService tenor;
        QCOMPARE(tenor.getDuckerValue(kReleaseTime).toInt(), 2000);
        QVERIFY(!tenor.getDuckerValue(kInput3).isValid());
    }

    // A user's file: what a store reads from it, and the file once the store has changed one
    // value. Qt's own binary and list values ("@Variant(...)", ...) read as absent and stay.
    void userFileReadAndWrittenBack_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("read"); // Input12, On, Sensitivity; "-" for absent
        QTest::addColumn<QByteArray>("after");
        const QByteArray rest = "Ducker\\Input%201=1\n\n[Window]\nNote=\"a, b; c = d\"\nPath=C:\\\\Users\\\\x\n";
        QTest::newRow("plain") << "[Alto]\nAudioRouting\\Input12=2\nDucker\\On=0\nDucker\\Sensitivity=-12\n" + rest
                               << "2,0,-12"
                               << "[Alto]\nAudioRouting\\Input12=2\n" + rest.left(19) +
                                      "Ducker\\On=1\nDucker\\Sensitivity=-12\n" + rest.mid(19);
        QTest::newRow("typed") << "[Alto]\nAudioRouting\\Input12=@ByteArray(2)\nDucker\\On=@Rect(1 2 3 4)\n"
                                  "Ducker\\Sensitivity= -1, \"-2\"\n" +
                                      rest
                               << "-,-,-"
                               << "[Alto]\nAudioRouting\\Input12=@ByteArray(2)\n" + rest.left(19) +
                                      "Ducker\\On=1\nDucker\\Sensitivity= -1, \"-2\"\n" + rest.mid(19);
    }

    void userFileReadAndWrittenBack()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, read);
        QFETCH(QByteArray, after);
        QFile f(QSettings().fileName());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        f.close();
        {
            AltoRegistryService store;
            QStringList values;
            for (const QVariant &v :
                 {store.getAudioRoutingValue(kInput12), store.getDuckerValue(kOn), store.getDuckerValue(kSensitivity)})
                values << (v.isValid() ? v.toString() : QStringLiteral("-"));
            QCOMPARE(values.join(','), read);
            store.setDuckerValue(kOn, 1);
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), after);
    }
};

QTEST_GUILESS_MAIN(TestRegistryService)
#include "tst_registryservice.moc"
