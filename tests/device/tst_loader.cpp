// The loader through the real platform layer, against the stand-in libraries of fake_driver.cpp.
#include "RegistryFiles.h"
#include "device/DeviceConstants.h"
#include "device/TUsbAudioApiDll.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace RegistryFiles;

class TestLoader : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void loadFromPath()
    {
        const struct
        {
            std::string path;
            bool checkVersion;
            uint status;
            int entryPoints;
            uint version;
        } cases[] = {
            {FAKE_V52, true, 0, 66, 0x50002},
            {FAKE_V60, true, 0, 66, 0x60000},
            {FAKE_V51, false, 0, 65, 0x50001}, // unchecked: no 5.2 group
            {FAKE_V50, false, 0, 63, 0x50000}, // no 5.1 group
            {FAKE_V49, false, 0, 2, 0x40009},  // the version entry points only
            {FAKE_REFUSES, true, 0xEE000060u, 2, 0x50002},
            {FAKE_REFUSES, false, 0, 66, 0x50002},
            {FAKE_LACKS_CHECK, true, 127, 0, 0},
            {FAKE_LACKS_50, true, 127, 0, 0},
            {FAKE_LACKS_52, true, 127, 0, 0},
            {NOT_A_LIBRARY, true, 126, 0, 0},
            {m_dir.filePath("missing.so").toStdString(), true, 2, 0, 0},
            {"", true, 2, 0, 0}, // not the program itself
        };
        for (const auto &c : cases) {
            TUsbAudioApiDll api;
            QVERIFY2(api.loadFromPath(c.path, c.checkVersion) == c.status, c.path.c_str());
            QVERIFY2(api.resolvedCount() == c.entryPoints && api.apiVersion() == c.version, c.path.c_str());
            if (c.entryPoints > 0)
                QCOMPARE(api.TUSBAUDIO_GetApiVersion(), c.version);
            // A loaded library refuses a second load and stays as it was.
            QCOMPARE(api.loadFromPath(FAKE_V52, true), c.entryPoints > 0 ? tusb::kAlreadyLoaded : tusb::kOk);
            api.unload();
            QVERIFY(api.resolvedCount() == 0 && !api.isLoaded() && api.apiVersion() == 0);
        }
    }

    // Registry errors reach the caller as they are.
    void loadByClsid()
    {
        const QString path = m_dir.filePath(QStringLiteral("registry.reg"));
        qputenv("CALDER_REGISTRY", QFile::encodeName(path));
        for (const auto &c : QList<QPair<QByteArray, uint>>{{"@=" + hexValue(QStringLiteral(FAKE_V52), true), 0},
                                                            {"@=dword:00000001", 11},
                                                            {"@=" + quoted(QString(260, 'x')), 234}}) {
            TUsbAudioApiDll api;
            QVERIFY(writeFile(path, withDriverEntry(c.first)));
            QVERIFY2(api.loadByClsid(DeviceConstants::kDriverClassId.toStdString(), true) == c.second, c.first.data());
            QCOMPARE(api.resolvedCount(), c.second == 0 ? 66 : 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
