// TUsbAudioApiDll through the real platform layer, against stand-in libraries built beside
// this test and registry files written per case.
#include "RegistryFiles.h"
#include "device/DeviceConstants.h"
#include "device/TUsbAudioApiDll.h"
#include "platform/Library.h"

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

    QString copyInto(const QString &dir, const QString &library)
    {
        QDir().mkpath(dir);
        const QString target = dir + QLatin1Char('/') + QFileInfo(library).fileName();
        return QFile::copy(library, target) ? target : QString();
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
        QTest::newRow("5.1 lacking the 5.2 name") << QStringLiteral(FAKE_V51_LACKS_52) << false << 0u << 65 << 0x50001u;
        QTest::newRow("4.9 unchecked: version only") << QStringLiteral(FAKE_V49) << false << 0u << 2 << 0x40009u;
        QTest::newRow("check refused") << QStringLiteral(FAKE_REFUSES) << true << 0xEE000060u << 2 << 0x50002u;
        QTest::newRow("refusal, unchecked") << QStringLiteral(FAKE_REFUSES) << false << 0u << 66 << 0x50002u;
        QTest::newRow("no CheckApiVersion") << QStringLiteral(FAKE_LACKS_CHECK) << true << 127u << 0 << 0u;
        QTest::newRow("5.0 group lacks a name") << QStringLiteral(FAKE_LACKS_50) << true << 127u << 0 << 0u;
        QTest::newRow("5.1 group lacks a name") << QStringLiteral(FAKE_LACKS_51) << true << 127u << 0 << 0u;
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
        QCOMPARE(api.isLoaded(), entryPoints > 0);
        QCOMPARE(api.apiVersion(), version);
        if (entryPoints > 0)
            QCOMPARE(api.TUSBAUDIO_GetApiVersion(), version);
        // A loaded library refuses a second load and stays as it was.
        QCOMPARE(api.loadFromPath(FAKE_V52, true), entryPoints > 0 ? tusb::kAlreadyLoaded : tusb::kOk);
        api.unload();
        QCOMPARE(api.resolvedCount(), 0);
        QVERIFY(!api.isLoaded());
        QCOMPARE(api.apiVersion(), 0u);
    }

    // Each field must hold its own export, not a neighbour's.
    void fieldsMatchTheirExports()
    {
        TUsbAudioApiDll api;
        QCOMPARE(api.loadFromPath(FAKE_V52, true), tusb::kOk);
        void *own = platform::loadLibrary(FAKE_V52);
        QVERIFY(own);
#define CHECK_FIELD(n) \
    QCOMPARE(reinterpret_cast<void *>(api.TUSBAUDIO_##n), platform::resolveSymbol(own, "TUSBAUDIO_" #n));
        TUSB_VERSION_ENTRY_POINTS(CHECK_FIELD)
        TUSB_CALLED_ENTRY_POINTS(CHECK_FIELD)
        TUSB_UNCALLED_50_ENTRY_POINTS(CHECK_FIELD)
        TUSB_UNCALLED_51_ENTRY_POINTS(CHECK_FIELD)
        TUSB_UNCALLED_52_ENTRY_POINTS(CHECK_FIELD)
#undef CHECK_FIELD
        platform::freeLibrary(own);
    }

    void loadByClsid_data()
    {
        QTest::addColumn<QByteArray>("valueLine");
        QTest::addColumn<uint>("status");
        QTest::addColumn<int>("entryPoints");

        const QString lib = QStringLiteral(FAKE_V52);
        QTest::newRow("string") << "@=" + quoted(lib) << 0u << 66;
        QTest::newRow("expandable string") << "@=" + hexValue(lib, true) << 0u << 66;
        QTest::newRow("dword") << QByteArray("@=dword:00000001") << 11u << 0;
        QTest::newRow("binary") << "@=" + hexValue(lib, true, 3) << 11u << 0;
        QTest::newRow("260 units, no terminator") << "@=" + hexValue(QString(260, 'x'), false) << 111u << 0;
        QTest::newRow("260 units + terminator") << "@=" + quoted(QString(260, 'x')) << 234u << 0;
        QTest::newRow("empty value") << QByteArray("@=\"\"") << 2u << 0;
        QTest::newRow("no value") << QByteArray() << 2u << 0;
        QTest::newRow("other key") << "[HKEY_CLASSES_ROOT\\CLSID\\{0}\\InprocServer32]\r\n@=" + quoted(lib) << 2u << 0;
        QTest::newRow("malformed") << "@=\"\\q" + quoted(lib) << 2u << 0;
    }

    void loadByClsid()
    {
        QFETCH(QByteArray, valueLine);
        QFETCH(uint, status);
        QFETCH(int, entryPoints);
        TUsbAudioApiDll api;
        QCOMPARE(loadThroughRegistry(api, valueLine), TSTATUS(status));
        QCOMPARE(api.resolvedCount(), entryPoints);
        qputenv("CALDER_REGISTRY", QFile::encodeName(m_dir.filePath("absent.reg")));
        QCOMPARE(TUsbAudioApiDll().loadByClsid(m_classId, true), tusb::kFileNotFound);
    }

    // The 260-unit buffer holds a 259-unit path with or without its terminator.
    void longestPath()
    {
        const QString base = m_dir.filePath(QStringLiteral("long"));
        const int padding = 259 - base.size() - 2 - QFileInfo(QStringLiteral(FAKE_V52)).fileName().size();
        QVERIFY2(padding > 0, "temporary directory path too long for this test");
        const QString path = copyInto(base + QLatin1Char('/') + QString(padding, 'd'), FAKE_V52);
        QCOMPARE(path.size(), 259);

        TUsbAudioApiDll api;
        QCOMPARE(loadThroughRegistry(api, "@=" + quoted(path)), tusb::kOk);
        api.unload();
        QCOMPARE(loadThroughRegistry(api, "@=" + hexValue(path, false)), tusb::kOk);
    }

    // An expandable string is a path as it stands: "%X%" is a folder name. Paths beyond ASCII load.
    void expandableStringIsNotExpanded()
    {
        qputenv("CALDER_LIBDIR", QFile::encodeName(m_dir.filePath("elsewhere")));
        copyInto(m_dir.filePath("elsewhere"), FAKE_V51);
        const QString path = copyInto(m_dir.filePath(QStringLiteral("%CALDER_LIBDIR%")), FAKE_V52);
        TUsbAudioApiDll api;
        QCOMPARE(loadThroughRegistry(api, "@=" + hexValue(path, true)), tusb::kOk);
        QCOMPARE(api.apiVersion(), 0x50002u);
        api.unload();
        const QString wide = copyInto(
            m_dir.filePath(QStringLiteral("Ger\u00e4te \u03a9\u03bc\u03ad\u03b3\u03b1 \u97f3 \U0001F3B5")), FAKE_V52);
        QCOMPARE(loadThroughRegistry(api, "@=" + quoted(wide)), tusb::kOk);
    }
};

QTEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
