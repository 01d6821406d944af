// The platform layer: the registry stand-in (.reg parser, 260-unit values, which file) and events.
#include "RegistryFiles.h"
#include "platform/Event.h"
#include "platform/EventNotifier.h"
#include "platform/Graphics.h"
#include "platform/RegFile.h"
#include "platform/Registry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(HANDLE)

using namespace RegistryFiles;

namespace {
std::string_view view(const QByteArray &bytes) { return std::string_view(bytes.constData(), size_t(bytes.size())); }

std::vector<uint8_t> bytes(const QByteArray &b) { return std::vector<uint8_t>(b.begin(), b.end()); }

// The driver's path, or "status <n>" when the read does not give `expectedStatus`.
QString driverPath(uint32_t expectedStatus = 0)
{
    std::string value = "stale";
    const uint32_t status = platform::readClassesRootDefaultValue(
        {"CLSID", "{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}", "InprocServer32"}, value);
    return status != expectedStatus ? QStringLiteral("status %1").arg(status) : QString::fromStdString(value);
}
} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void parsesAnExport()
    {
        const QByteArray sample = "Windows Registry Editor Version 5.00\n\n; by hand\n[" + kDriverKey +
                                  "]\n@=\"/opt/lib \\\"q\\\" \\\\x.so\"\n\"ThreadingModel\"=\"Both\"\n\n"
                                  "[HKEY_CLASSES_ROOT\\CLSID\\{1}]\n@=hex(2):2f,00,61,00,\\\n  62,00,00,00\n"
                                  "\"Count\"=dword:0000002A\n[HKEY_CLASSES_ROOT\\CLSID\\{1}\\Sub]\n@=hex:\n";
        const RegFile file = RegFile::parse(view(sample));
        QVERIFY2(file.isValid(), file.error().c_str());
        QCOMPARE(file.keyCount(), size_t(3));
        const RegValue *path = file.find(kDriverKey.toLower().toStdString(), "");
        QVERIFY(path && path->type == 1);
        QCOMPARE(path->data, bytes(QByteArray("/\0o\0p\0t\0/\0l\0i\0b\0 \0\"\0q\0\"\0 \0\\\0x\0.\0s\0o\0\0\0", 38)));
        QVERIFY(file.find(kDriverKey.toStdString(), "THREADINGMODEL"));
        QCOMPARE(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}", "")->type, 2u);
        QCOMPARE(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}", "")->data, bytes(QByteArray("/\0a\0b\0\0\0", 8)));
        QCOMPARE(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}", "count")->data, bytes(QByteArray("\x2a\0\0\0", 4)));
        QVERIFY(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}\\Sub", "")->data.empty());
        QVERIFY(!file.find("HKEY_CLASSES_ROOT\\CLSID", ""));
        const RegFile deleted = RegFile::parse(
            view(sample + "[-HKEY_CLASSES_ROOT\\CLSID\\{1}]\n@=\"ignored\"\n[" + kDriverKey + "]\n@=-\n"));
        QVERIFY2(deleted.isValid(), deleted.error().c_str());
        QCOMPARE(deleted.keyCount(), size_t(1)); // {1} and its subkey are gone
        QVERIFY(!deleted.find(kDriverKey.toStdString(), ""));

        const QByteArray head = "Windows Registry Editor Version 5.00\n[" + kDriverKey + "]\n";
        const QByteArray malformed[] = {
            QByteArray(),                                          // empty
            head.mid(head.indexOf('[')) + "@=\"/a.so\"\n",         // no header
            "Windows Registry Editor Version 5.00\n@=\"/a.so\"\n", // value before any key
            head + "[HKEY_CLASSES_ROOT\\CLSID\n",
            head + "@=\"C:\\drv\\a.dll\"\n", // unescaped backslash
            head + "@=hex(2):2f,0g\n",
            head + "@=hex(2):2f,00,\\",    // continued past the end
            head + "@=\"/\xc3\x28.so\"\n", // invalid UTF-8
            head + QByteArray("@=\"/a\0.so\"\n", 11),
            QByteArray("\xff\xfeW\0i\0n", 7),     // UTF-16, odd length
            QByteArray("\xff\xfe\x00\xd8W\0", 6), // UTF-16, lone surrogate
        };
        for (const QByteArray &text : malformed) {
            const RegFile bad = RegFile::parse(view(text));
            QVERIFY2(!bad.isValid() && !bad.error().empty() && bad.keyCount() == 0, text.toHex().constData());
        }
    }

    // The 260-unit buffer the loader reads the path into, and the string decoding.
    void valueBuffer()
    {
        const auto units = [](const QString &s) {
            return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
        };
        const QString x259(259, 'x');
        const struct
        {
            uint type;
            QByteArray data;
            uint status;
            QString value;
        } cases[] = {
            {1, units(x259) + QByteArray(2, '\0'), 0, x259},
            {2, units(x259), 0, x259},
            {1, units(x259 + 'x'), 111, {}},
            {1, units(x259 + 'x') + QByteArray(2, '\0'), 234, {}},
            {4, QByteArray(4, '\1'), 11, {}},
            {2, units("%HOME%/a.so"), 0, "%HOME%/a.so"}, // expandable, not expanded
            {1, units(QStringLiteral("/a\0b")), 0, "/a"},
            {1, units(QStringLiteral("/\u00e9\U0001F3B5")), 0, QStringLiteral("/\u00e9\U0001F3B5")},
            {1, QByteArray("/\0\x00\xd8", 4), 0, QStringLiteral("/\ufffd")}, // lone surrogate
        };
        for (const auto &c : cases) {
            std::string out = "stale";
            QCOMPARE(platform::decodeRegistryString(c.type, c.data.constData(), size_t(c.data.size()), out), c.status);
            QCOMPARE(QString::fromStdString(out), c.value);
        }
    }

    // LF or CRLF, BOM or none, UTF-8 or UTF-16 (as regedit writes it): all read the same.
    void registryFileEncodings()
    {
        const QByteArray crlf = withDriverEntry("@=" + quoted(QStringLiteral("/opt/Ger\u00e4t/\u97f3.so")));
        QByteArray lf = crlf, le("\xff\xfe", 2), be("\xfe\xff", 2);
        lf.replace("\r\n", "\n");
        for (QChar c : QString::fromUtf8(crlf)) {
            le += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
            be += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
        }
        const QString file = m_dir.filePath("encoded.reg");
        qputenv("CALDER_REGISTRY", QFile::encodeName(file));
        for (const QByteArray &content : {lf, QByteArray("\xef\xbb\xbf") + crlf, le, be}) {
            QVERIFY(writeFile(file, content));
            QCOMPARE(driverPath(), QStringLiteral("/opt/Ger\u00e4t/\u97f3.so"));
        }
        std::string value;
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID", "", "InprocServer32"}, value), 2u);
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID", "{\xff}", "InprocServer32"}, value), 1113u);
    }

    void whichFileWins()
    {
        const QString root = m_dir.filePath("xdg");
        const QString user = root + "/user/calder/registry.reg";
        const QString sys1 = root + "/sys1/calder/registry.reg";
        qunsetenv("CALDER_REGISTRY");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/user"));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName("relative:" + root + "/sys1:" + root + "/sys2"));
        QCOMPARE(driverPath(2), QString());
        QVERIFY(writeFile(root + "/sys2/calder/registry.reg", withDriverEntry("@=\"/sys2.so\"")));
        QCOMPARE(driverPath(), QStringLiteral("/sys2.so"));
        QVERIFY(writeFile(sys1, withDriverEntry("@=\"/sys1.so\"")));
        QCOMPARE(driverPath(), QStringLiteral("/sys1.so"));
        QVERIFY(writeFile(user, withDriverEntry("@=\"/user.so\"")));
        QCOMPARE(driverPath(), QStringLiteral("/user.so"));
        // The user's entry wins even when unusable; without one, or when broken, the system's.
        QVERIFY(writeFile(user, withDriverEntry("@=dword:1")));
        QCOMPARE(driverPath(11), QString());
        QVERIFY(writeFile(user, withDriverEntry("")));
        QCOMPARE(driverPath(), QStringLiteral("/sys1.so"));
        QVERIFY(writeFile(user, withDriverEntry("@=\"/user.so")));
        QCOMPARE(driverPath(), QStringLiteral("/sys1.so"));
        qputenv("XDG_CONFIG_HOME", "relative"); // ignored, as when unset: the user's file is under ~/.config
        qputenv("HOME", QFile::encodeName(root + "/home"));
        QVERIFY(writeFile(root + "/home/.config/calder/registry.reg", withDriverEntry("@=\"/home.so\"")));
        QCOMPARE(driverPath(), QStringLiteral("/home.so"));
        // CALDER_REGISTRY is the whole registry: without the entry, or oversized, nothing is read.
        const QString only = m_dir.filePath("only.reg");
        qputenv("CALDER_REGISTRY", QFile::encodeName(only));
        QVERIFY(writeFile(only, withDriverEntry("")));
        QCOMPARE(driverPath(2), QString());
        QVERIFY(writeFile(only, withDriverEntry("@=\"/only.so\"") + QByteArray(5 << 20, '\n')));
        QCOMPARE(driverPath(2), QString());
    }

    void eventSignalsCollapseUntilConsumed()
    {
        qRegisterMetaType<HANDLE>("HANDLE");
        HANDLE event = platform::createAutoResetEvent();
        QVERIFY(event);
        QVERIFY(!platform::consumeEvent(event));
        QVERIFY(platform::signalEvent(event) && platform::signalEvent(event));
        QVERIFY(platform::consumeEvent(event));
        QVERIFY(!platform::consumeEvent(event));
        QVERIFY(!platform::signalEvent(nullptr) && !platform::consumeEvent(nullptr));

        auto notifier = std::make_unique<EventNotifier>(event);
        QSignalSpy spy(notifier.get(), &EventNotifier::activated);
        for (int i = 0; i < 10; ++i)
            QVERIFY(platform::signalEvent(event));
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<HANDLE>(), event);
        QVERIFY(!platform::consumeEvent(event)); // the notifier took all ten at once
        notifier->setEnabled(false); // a disabled notifier leaves the signal pending for later
        QVERIFY(platform::signalEvent(event));
        QTest::qWait(50); // nothing may arrive; a wait can only miss a fault, never fail a sound build
        QCOMPARE(spy.count(), 1);
        notifier->setEnabled(true);
        QTRY_COMPARE(spy.count(), 2);
        notifier.reset();
        platform::closeEvent(event);
    }

    void hardwareRendererNeedsARenderNode()
    {
        const QString dri = m_dir.filePath("dri");
        const auto hardware = [&] { return platform::hasHardwareRenderer(QFile::encodeName(dri).constData()); };
        QVERIFY(!hardware()); // no such folder
        QVERIFY(QDir().mkpath(dri + "/by-path") && writeFile(dri + "/card0", ""));
        QVERIFY(!hardware()); // a display controller alone renders nothing
        QVERIFY(writeFile(dri + "/renderD128", ""));
        QVERIFY(hardware());
        qputenv("LIBGL_ALWAYS_SOFTWARE", "Yes");
        QVERIFY(!hardware());
        qputenv("LIBGL_ALWAYS_SOFTWARE", "0"); // Mesa reads "0" as off, as it does anything unknown
        QVERIFY(hardware());
        qunsetenv("LIBGL_ALWAYS_SOFTWARE");
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
