// The simulated driver, reached through the registry file the test runner provides.
#include "app/AppConstants.h"
#include "device/TUsbAudioApiDll.h"

#include <QtTest>

class TestSimulatorLoad : public QObject
{
    Q_OBJECT
private slots:
    void loadsByClassId()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("CALDER_REGISTRY"), "run through ctest");
        TUsbAudioApiDll api;
        QCOMPARE(api.loadByClsid(AppConstants::kDriverClassId.toStdString(), true), tusb::kOk);
        QCOMPARE(api.apiVersion(), 0x00050002u);
        QVERIFY(api.isVersionAtLeast(5, 2));
        QVERIFY(!api.isVersionAtLeast(5, 3));
        QCOMPARE(api.resolvedCount(), 66);
        QVERIFY(api.TUSBAUDIO_CheckApiVersion(5, 2) != 0);
        QCOMPARE(api.loadByClsid(AppConstants::kDriverClassId.toStdString(), true), tusb::kAlreadyLoaded);
        api.unload();
        QCOMPARE(api.resolvedCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSimulatorLoad)
#include "tst_simulator.moc"
