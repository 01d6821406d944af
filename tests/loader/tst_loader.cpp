// TUsbAudioApiDll through the real platform layer, against stand-in libraries built beside
// this test and registry files written per case.
#include "app/AppConstants.h"
#include "device/TUsbAudioApiDll.h"
#include "platform/Library.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const std::string kClassId = AppConstants::kDriverClassId.toStdString();

// A registry file holding `valueLine` (".reg" syntax after "@=") as the driver's entry.
QByteArray regFile(const QByteArray &valueLine)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\" + AppConstants::kDriverClassId.toUtf8() + "\\InprocServer32]\r\n"
           "@=" + valueLine + "\r\n\"ThreadingModel\"=\"Both\"\r\n";
}

QByteArray quoted(const QString &path)
{
    QByteArray utf8 = path.toUtf8();
    utf8.replace("\\", "\\\\").replace("\"", "\\\"");
    return '"' + utf8 + '"';
}

// hex(type):.. with the text as UTF-16LE, optionally terminated, wrapped like regedit does.
QByteArray hexValue(const QString &text, bool terminated, int type = 2)
{
    QByteArray bytes(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    if (terminated)
        bytes.append(2, '\0');
    QByteArray out = "hex(" + QByteArray::number(type, 16) + "):";
    for (int i = 0; i < bytes.size(); ++i) {
        out += QByteArray::number(static_cast<uchar>(bytes[i]), 16).rightJustified(2, '0');
        if (i + 1 < bytes.size())
            out += (i % 20 == 19) ? ",\\\r\n  " : ",";
    }
    return out;
}

QString copyInto(const QString &dir, const QString &library)
{
    QDir().mkpath(dir);
    const QString target = dir + QLatin1Char('/') + QFileInfo(library).fileName();
    QFile::remove(target);
    return QFile::copy(library, target) ? target : QString();
}

} // namespace

class TestLoader : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_fileNumber = 0;

    // Makes `content` the whole registry for the next loadByClsid.
    void useRegistry(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("registry%1.reg").arg(++m_fileNumber));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        qputenv("CALDER_REGISTRY", QFile::encodeName(path));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

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
        QTest::newRow("5.1 lacking the 5.2 name") << QStringLiteral(FAKE_V51_LACKS_52) << false << 0u << 65 << 0x50001u;
        QTest::newRow("4.9 unchecked: version entry points only") << QStringLiteral(FAKE_V49) << false << 0u << 2 << 0x40009u;
        QTest::newRow("check refused") << QStringLiteral(FAKE_REFUSES) << true << 0xEE000060u << 2 << 0x50002u;
        QTest::newRow("refusal ignored unchecked") << QStringLiteral(FAKE_REFUSES) << false << 0u << 66 << 0x50002u;
        QTest::newRow("no CheckApiVersion") << QStringLiteral(FAKE_LACKS_CHECK) << true << 127u << 0 << 0u;
        QTest::newRow("5.0 group lacks an uncalled name") << QStringLiteral(FAKE_LACKS_50) << true << 127u << 0 << 0u;
        QTest::newRow("5.0 group lacks a called name") << QStringLiteral(FAKE_LACKS_50_CALLED) << true << 127u << 0 << 0u;
        QTest::newRow("5.1 group lacks a name") << QStringLiteral(FAKE_LACKS_51) << true << 127u << 0 << 0u;
        QTest::newRow("5.2 group lacks a name") << QStringLiteral(FAKE_LACKS_52) << true << 127u << 0 << 0u;
        QTest::newRow("not a library") << QStringLiteral(NOT_A_LIBRARY) << true << 126u << 0 << 0u;
        QTest::newRow("missing file") << m_dir.filePath("missing.so") << true << 2u << 0 << 0u;
        QTest::newRow("missing directory") << m_dir.filePath("missing/lib.so") << true << 2u << 0 << 0u;
        QTest::newRow("file used as a directory") << QStringLiteral(FAKE_V52 "/lib.so") << true << 2u << 0 << 0u;
        QTest::newRow("a directory") << m_dir.path() << true << 126u << 0 << 0u;
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
        if (entryPoints > 0) {
            QCOMPARE(api.TUSBAUDIO_GetApiVersion(), version);
            QVERIFY(api.TUSBAUDIO_CheckApiVersion);
        }
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

    void versionBoundaries()
    {
        TUsbAudioApiDll api;
        QVERIFY(api.isVersionAtLeast(0, 0));
        QVERIFY(!api.isVersionAtLeast(0, 1));
        QCOMPARE(api.loadFromPath(FAKE_V52, true), tusb::kOk);
        QVERIFY(api.isVersionAtLeast(5, 2));
        QVERIFY(api.isVersionAtLeast(5, 1));
        QVERIFY(api.isVersionAtLeast(4, 0xFFFF));
        QVERIFY(!api.isVersionAtLeast(5, 3));
        QVERIFY(!api.isVersionAtLeast(6, 0));
        api.unload();
        QCOMPARE(api.loadFromPath(FAKE_V60, true), tusb::kOk);
        QVERIFY(api.isVersionAtLeast(5, 2)); // greater major, smaller minor
        QVERIFY(api.isVersionAtLeast(6, 0));
        QVERIFY(!api.isVersionAtLeast(6, 1));
    }

    void secondLoadIsRefused()
    {
        useRegistry(regFile(quoted(FAKE_V51)));
        TUsbAudioApiDll api;
        QCOMPARE(api.loadFromPath(FAKE_V52, true), tusb::kOk);
        QCOMPARE(api.loadFromPath(FAKE_V52, true), tusb::kAlreadyLoaded);
        QCOMPARE(api.loadFromPath(FAKE_V51, false), tusb::kAlreadyLoaded);
        QCOMPARE(api.loadByClsid(kClassId, false), tusb::kAlreadyLoaded);
        // The first library is untouched.
        QCOMPARE(api.resolvedCount(), 66);
        QCOMPARE(api.apiVersion(), 0x50002u);
        // A refused version check leaves the library loaded: a retry is refused as well.
        TUsbAudioApiDll refused;
        QCOMPARE(refused.loadFromPath(FAKE_REFUSES, true), tusb::kVersionRejected);
        QCOMPARE(refused.loadFromPath(FAKE_V52, true), tusb::kAlreadyLoaded);
    }

    void loadByClsid_data()
    {
        QTest::addColumn<QByteArray>("registry");
        QTest::addColumn<uint>("status");
        QTest::addColumn<int>("entryPoints");

        const QString lib = QStringLiteral(FAKE_V52);
        QTest::newRow("string") << regFile(quoted(lib)) << 0u << 66;
        QTest::newRow("expandable string") << regFile(hexValue(lib, true)) << 0u << 66;
        QTest::newRow("string as hex(1)") << regFile(hexValue(lib, true, 1)) << 0u << 66;
        QTest::newRow("dword") << regFile("dword:00000001") << 11u << 0;
        QTest::newRow("binary") << regFile(hexValue(lib, true, 3)) << 11u << 0;
        QTest::newRow("multi-string") << regFile(hexValue(lib, true, 7)) << 11u << 0;
        QTest::newRow("260 units, no terminator") << regFile(hexValue(QString(260, 'x'), false)) << 111u << 0;
        QTest::newRow("260 units and terminator") << regFile(quoted(QString(260, 'x'))) << 234u << 0;
        QTest::newRow("dword beyond the buffer") << regFile(hexValue(QString(300, 'x'), false, 4)) << 234u << 0;
        QTest::newRow("empty value") << regFile("\"\"") << 2u << 0;
        QTest::newRow("value missing") << regFile("-") << 2u << 0;
        QTest::newRow("other class id")
            << regFile(quoted(lib)).replace("6B1E4C2A", "6B1E4C2B") << 2u << 0;
        QTest::newRow("key names in other case")
            << regFile(quoted(lib)).replace("CLSID", "clsid").replace("InprocServer32", "INPROCSERVER32") << 0u << 66;
        QTest::newRow("malformed") << regFile(quoted(lib)).replace("@=\"", "@=\"\\q") << 2u << 0;
        QTest::newRow("binary garbage") << (QByteArray::fromHex("00fffe0180") + "[]=@\"\\") << 2u << 0;
        QTest::newRow("no file") << QByteArray() << 2u << 0;
    }

    void loadByClsid()
    {
        QFETCH(QByteArray, registry);
        QFETCH(uint, status);
        QFETCH(int, entryPoints);
        if (registry.isEmpty())
            qputenv("CALDER_REGISTRY", QFile::encodeName(m_dir.filePath("absent.reg")));
        else
            useRegistry(registry);

        TUsbAudioApiDll api;
        QCOMPARE(api.loadByClsid(kClassId, true), TSTATUS(status));
        QCOMPARE(api.resolvedCount(), entryPoints);
    }

    // The 260-unit buffer holds a 259-unit path and its terminator, or 259 units that stop
    // short of the buffer's end; one unit more does not fit.
    void pathLengthLimits()
    {
        const QString base = m_dir.filePath(QStringLiteral("long"));
        const QString name = QFileInfo(QStringLiteral(FAKE_V52)).fileName();
        const int padding = 259 - base.size() - 2 - name.size();
        QVERIFY2(padding > 0, "temporary directory path too long for this test");
        const QString path = copyInto(base + QLatin1Char('/') + QString(padding, 'd'), FAKE_V52);
        QCOMPARE(path.size(), 259);

        TUsbAudioApiDll api;
        useRegistry(regFile(quoted(path)));
        QCOMPARE(api.loadByClsid(kClassId, true), tusb::kOk);
        api.unload();
        useRegistry(regFile(hexValue(path, false)));
        QCOMPARE(api.loadByClsid(kClassId, true), tusb::kOk);
        api.unload();
        useRegistry(regFile(quoted(path + QLatin1Char('x'))));
        QCOMPARE(api.loadByClsid(kClassId, true), tusb::kMoreData);
    }

    // The registry's expandable string is a path as it stands: "%X%" is a folder name.
    void expandableStringIsNotExpanded()
    {
        qputenv("CALDER_LIBDIR", QFile::encodeName(m_dir.filePath("elsewhere")));
        const QString path = copyInto(m_dir.filePath(QStringLiteral("%CALDER_LIBDIR%")), FAKE_V52);
        QVERIFY(!path.isEmpty());
        copyInto(m_dir.filePath("elsewhere"), FAKE_V51);
        useRegistry(regFile(hexValue(path, true)));
        TUsbAudioApiDll api;
        QCOMPARE(api.loadByClsid(kClassId, true), tusb::kOk);
        QCOMPARE(api.apiVersion(), 0x50002u);
    }

    void nonAsciiPath()
    {
        const QString path = copyInto(
            m_dir.filePath(QStringLiteral("Ger\u00e4te \u03a9\u03bc\u03ad\u03b3\u03b1 \u97f3 \U0001F3B5")), FAKE_V52);
        QVERIFY(!path.isEmpty());
        TUsbAudioApiDll api;
        QCOMPARE(api.loadFromPath(path.toStdString(), true), tusb::kOk);
        api.unload();
        // As regedit writes it: UTF-16LE with BOM, CRLF.
        const QString text = QString::fromUtf8(regFile(quoted(path)));
        QByteArray utf16("\xff\xfe", 2);
        utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        useRegistry(utf16);
        QCOMPARE(api.loadByClsid(kClassId, true), tusb::kOk);
        QCOMPARE(api.resolvedCount(), 66);
    }
};

QTEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
