// TUsbAudioApiDll through the real platform layer, against stand-in libraries built beside
// this test (see fake_driver.cpp) and registry files written per case.
#include "RegistryFiles.h"
#include "device/DeviceConstants.h"
#include "device/TUsbAudioApiDll.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace RegistryFiles;

class TestLoader : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    const std::string m_classId = DeviceConstants::kDriverClassId.toStdString();

    // Makes an export holding `valueLine` the whole registry and loads by class id.
    TSTATUS loadThroughRegistry(TUsbAudioApiDll &api, const QByteArray &valueLine)
    {
        const QString path = m_dir.filePath(QStringLiteral("registry.reg"));
        if (!writeFile(path, withDriverEntry(valueLine)))
            return 0xFFFFFFFFu;
        qputenv("CALDER_REGISTRY", QFile::encodeName(path));
        return api.loadByClsid(m_classId, true);
    }

private slots:
    void loadFromPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("checkVersion");
        QTest::addColumn<uint>("status");
        QTest::addColumn<int>("entryPoints");
        QTest::addColumn<uint>("version");

        QTest::newRow("5.2: everything") << QStringLiteral(FAKE_V52) << true << 0u << 66 << 0x50002u;
        QTest::newRow("6.0: everything") << QStringLiteral(FAKE_V60) << true << 0u << 66 << 0x60000u;
        QTest::newRow("5.1 unchecked: no 5.2 group") << QStringLiteral(FAKE_V51) << false << 0u << 65 << 0x50001u;
        QTest::newRow("5.0 unchecked: no 5.1 group") << QStringLiteral(FAKE_V50) << false << 0u << 63 << 0x50000u;
        QTest::newRow("4.9 unchecked: version only") << QStringLiteral(FAKE_V49) << false << 0u << 2 << 0x40009u;
        QTest::newRow("check refused") << QStringLiteral(FAKE_REFUSES) << true << 0xEE000060u << 2 << 0x50002u;
        QTest::newRow("refusal, unchecked") << QStringLiteral(FAKE_REFUSES) << false << 0u << 66 << 0x50002u;
        QTest::newRow("no CheckApiVersion") << QStringLiteral(FAKE_LACKS_CHECK) << true << 127u << 0 << 0u;
        QTest::newRow("5.0 group lacks a name") << QStringLiteral(FAKE_LACKS_50) << true << 127u << 0 << 0u;
        QTest::newRow("5.2 group lacks a name") << QStringLiteral(FAKE_LACKS_52) << true << 127u << 0 << 0u;
        QTest::newRow("not a library") << QStringLiteral(NOT_A_LIBRARY) << true << 126u << 0 << 0u;
        QTest::newRow("missing file") << m_dir.filePath("missing.so") << true << 2u << 0 << 0u;
        QTest::newRow("file as directory") << QStringLiteral(FAKE_V52 "/lib.so") << true << 2u << 0 << 0u;
        QTest::newRow("empty path") << QString() << true << 2u << 0 << 0u;
    }

    void loadFromPath()
    {
        QFETCH(QString, path);
        QFETCH(bool, checkVersion);
        QFETCH(uint, status);
        QFETCH(int, entryPoints);
        QFETCH(uint, version);

        TUsbAudioApiDll api;
        QCOMPARE(api.loadFromPath(path.toStdString(), checkVersion), TSTATUS(status));
        QCOMPARE(api.resolvedCount(), entryPoints);
        QCOMPARE(api.apiVersion(), version);
        if (entryPoints > 0)
            QCOMPARE(api.TUSBAUDIO_GetApiVersion(), version);
        // A loaded library refuses a second load and stays as it was.
        QCOMPARE(api.loadFromPath(FAKE_V52, true), entryPoints > 0 ? tusb::kAlreadyLoaded : tusb::kOk);
        api.unload();
        QVERIFY(api.resolvedCount() == 0 && !api.isLoaded() && api.apiVersion() == 0);
    }

    // Registry errors reach the caller as they are.
    void loadByClsid()
    {
        const QString lib = QStringLiteral(FAKE_V52);
        for (const auto &c : QList<QPair<QByteArray, uint>>{
                 {"@=" + hexValue(lib, true), 0}, {"@=dword:00000001", 11}, {"@=" + quoted(QString(260, 'x')), 234}}) {
            TUsbAudioApiDll api;
            QVERIFY2(loadThroughRegistry(api, c.first) == c.second, c.first.constData());
            QCOMPARE(api.resolvedCount(), c.second == 0 ? 66 : 0);
        }
        qputenv("CALDER_REGISTRY", QFile::encodeName(m_dir.filePath("absent.reg")));
        QCOMPARE(TUsbAudioApiDll().loadByClsid(m_classId, true), tusb::kFileNotFound);
    }
};

QTEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
