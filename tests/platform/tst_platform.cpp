// The platform layer: the registry stand-in (the .reg parser, the 260-unit value rules, which files
// are read), auto-reset events and their notifier, and the running copy's answer to a second start.
#include "RegistryFiles.h"
#include "platform/RegFile.h"
#include "platform/Event.h"
#include "platform/EventNotifier.h"
#include "platform/InstanceRaiser.h"
#include "platform/Registry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <QtTest>

#include <thread>

Q_DECLARE_METATYPE(HANDLE)

using namespace RegistryFiles;

namespace {

const QByteArray kSample =
    "Windows Registry Editor Version 5.00\n\n; by hand\n"
    "[" +
    kDriverKey +
    "]\n"
    "@=\"/opt/lib \\\"q\\\" \\\\x.so\"\n"
    "\"ThreadingModel\"=\"Both\"\n\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{1}]\n"
    "@=hex(2):2f,00,61,00,\\\n  62,00,00,00\n"
    "\"Count\"=dword:0000002A\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{1}\\Sub]\n"
    "@=hex:\n";

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
private:
    QTemporaryDir m_dir;

private slots:
    void parsesAnExport()
    {
        const RegFile file = RegFile::parse(view(kSample));
        QVERIFY2(file.isValid(), file.error().c_str());
        QCOMPARE(file.keyCount(), size_t(3));
        const RegValue *path = file.find(kDriverKey.toLower().toStdString(), "");
        QVERIFY(path);
        QCOMPARE(path->type, 1u);
        QCOMPARE(path->data, bytes(QByteArray("/\0o\0p\0t\0/\0l\0i\0b\0 \0\"\0q\0\"\0 \0\\\0x\0.\0s\0o\0\0\0", 38)));
        QVERIFY(file.find(kDriverKey.toStdString(), "THREADINGMODEL"));
        QCOMPARE(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}", "")->type, 2u);
        QCOMPARE(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}", "")->data, bytes(QByteArray("/\0a\0b\0\0\0", 8)));
        QCOMPARE(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}", "count")->data, bytes(QByteArray("\x2a\0\0\0", 4)));
        QVERIFY(file.find("HKEY_CLASSES_ROOT\\CLSID\\{1}\\Sub", "")->data.empty());
        QVERIFY(!file.find("HKEY_CLASSES_ROOT\\CLSID", ""));

        const RegFile deleted = RegFile::parse(view(kSample +
                                                    "[-HKEY_CLASSES_ROOT\\CLSID\\{1}]\n@=\"ignored\"\n"
                                                    "[" +
                                                    kDriverKey + "]\n@=-\n"));
        QVERIFY2(deleted.isValid(), deleted.error().c_str());
        QCOMPARE(deleted.keyCount(), size_t(1)); // {1} and its subkey are gone
        QVERIFY(!deleted.find(kDriverKey.toStdString(), ""));
    }

    void rejectsMalformedFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray head = "Windows Registry Editor Version 5.00\n[" + kDriverKey + "]\n";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no header") << head.mid(head.indexOf('[')) + "@=\"/a.so\"\n";
        QTest::newRow("value before any key") << QByteArray("Windows Registry Editor Version 5.00\n@=\"/a.so\"\n");
        QTest::newRow("unclosed key") << head + "[HKEY_CLASSES_ROOT\\CLSID\n";
        QTest::newRow("empty key segment") << head + "[HKEY_CLASSES_ROOT\\\\CLSID]\n";
        QTest::newRow("unknown hive") << head + "[HKEY_CLASES_ROOT\\CLSID]\n";
        QTest::newRow("unescaped backslash") << head + "@=\"C:\\drv\\a.dll\"\n";
        QTest::newRow("unterminated string") << head + "@=\"/a.so\n";
        QTest::newRow("text after string") << head + "@=\"/a.so\" x\n";
        QTest::newRow("long dword") << head + "@=dword:000000001\n";
        QTest::newRow("bad hex byte") << head + "@=hex(2):2f,0g\n";
        QTest::newRow("empty hex byte") << head + "@=hex(2):2f,,00\n";
        QTest::newRow("hex continued past the end") << head + "@=hex(2):2f,00,\\";
        QTest::newRow("unknown type") << head + "@=qword:1\n";
        QTest::newRow("invalid UTF-8") << head + "@=\"/\xc3\x28.so\"\n";
        QTest::newRow("NUL byte") << head + QByteArray("@=\"/a\0.so\"\n", 11);
        QTest::newRow("UTF-16 odd length") << QByteArray("\xff\xfeW\0i\0n", 7);
        QTest::newRow("UTF-16 lone surrogate") << QByteArray("\xff\xfe\x00\xd8W\0", 6);
    }

    void rejectsMalformedFiles()
    {
        QFETCH(QByteArray, text);
        const RegFile file = RegFile::parse(view(text));
        QVERIFY(!file.isValid());
        QVERIFY(!file.error().empty());
        QCOMPARE(file.keyCount(), size_t(0));
    }

    void valueBuffer_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("status");
        QTest::addColumn<QString>("value");
        const auto units = [](const QString &s) {
            return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
        };
        const QString x259(259, 'x');
        QTest::newRow("259 units + NUL") << 1u << units(x259) + QByteArray(2, '\0') << 0u << x259;
        QTest::newRow("259 units, no NUL") << 2u << units(x259) << 0u << x259;
        QTest::newRow("260 units, no NUL") << 1u << units(x259 + 'x') << 111u << QString();
        QTest::newRow("260 units + NUL") << 1u << units(x259 + 'x') + QByteArray(2, '\0') << 234u << QString();
        QTest::newRow("size checked before type") << 3u << QByteArray(522, 'a') << 234u << QString();
        QTest::newRow("dword") << 4u << QByteArray(4, '\1') << 11u << QString();
        QTest::newRow("no bytes") << 1u << QByteArray() << 0u << QString();
        QTest::newRow("stops at the first NUL") << 1u << units(QStringLiteral("/a\0b")) << 0u << QStringLiteral("/a");
        QTest::newRow("odd byte count") << 1u << units(QStringLiteral("/ab")) + 'z' << 0u << QStringLiteral("/ab");
        QTest::newRow("non-BMP") << 1u << units(QStringLiteral("/\u00e9\U0001F3B5")) << 0u
                                 << QStringLiteral("/\u00e9\U0001F3B5");
        QTest::newRow("lone surrogate") << 1u << QByteArray("/\0\x00\xd8", 4) << 0u << QStringLiteral("/\ufffd");
    }

    void valueBuffer()
    {
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QFETCH(uint, status);
        QFETCH(QString, value);
        std::string out = "stale";
        QCOMPARE(platform::decodeRegistryString(type, data.constData(), size_t(data.size()), out), status);
        QCOMPARE(QString::fromStdString(out), value);
    }

    // LF or CRLF, BOM or none, UTF-8 or UTF-16 (as regedit writes it): all read the same.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray crlf = withDriverEntry("@=" + quoted(QStringLiteral("/opt/Ger\u00e4t/\u97f3.so")));
        QByteArray lf = crlf;
        lf.replace("\r\n", "\n");
        QByteArray le("\xff\xfe", 2), be("\xfe\xff", 2);
        for (QChar c : QString::fromUtf8(crlf)) {
            le += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
            be += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
        }
        QTest::newRow("UTF-8, LF") << lf;
        QTest::newRow("UTF-8 BOM, CRLF") << "\xef\xbb\xbf" + crlf;
        QTest::newRow("UTF-16LE BOM, CRLF") << le;
        QTest::newRow("UTF-16BE BOM, CRLF") << be;
    }

    void encodings()
    {
        QFETCH(QByteArray, content);
        const QString file = m_dir.filePath("encoded.reg");
        QVERIFY(writeFile(file, content));
        qputenv("CALDER_REGISTRY", QFile::encodeName(file));
        QCOMPARE(driverPath(), QStringLiteral("/opt/Ger\u00e4t/\u97f3.so"));
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

        // Without XDG_CONFIG_HOME the user's file is under ~/.config.
        qunsetenv("XDG_CONFIG_HOME");
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(root + "/home"));
        QVERIFY(writeFile(root + "/home/.config/calder/registry.reg", withDriverEntry("@=\"/home.so\"")));
        QCOMPARE(driverPath(), QStringLiteral("/home.so"));
        qputenv("HOME", savedHome);

        // CALDER_REGISTRY is the whole registry: without the entry, nothing else is read.
        const QString only = m_dir.filePath("only.reg");
        QVERIFY(writeFile(only, withDriverEntry("@=\"/only.so\"")));
        qputenv("CALDER_REGISTRY", QFile::encodeName(only));
        QCOMPARE(driverPath(), QStringLiteral("/only.so"));
        QVERIFY(writeFile(only, withDriverEntry("")));
        QCOMPARE(driverPath(2), QString());
        // Nor is an oversized file read.
        QVERIFY(writeFile(only, withDriverEntry("@=\"/only.so\"") + QByteArray(5 << 20, '\n')));
        QCOMPARE(driverPath(2), QString());
    }

    void keyPathRules()
    {
        const QString file = m_dir.filePath("keys.reg");
        QVERIFY(writeFile(file, withDriverEntry("@=\"/a.so\"")));
        qputenv("CALDER_REGISTRY", QFile::encodeName(file));
        std::string value;
        // As with RegOpenKeyExW, one component may span several levels; case does not matter.
        QCOMPARE(platform::readClassesRootDefaultValue(
                     {"clsid\\{6b1e4c2a-93d5-4f0e-b7a1-2c8d9e3f5a61}", "INPROCSERVER32"}, value),
                 0u);
        QCOMPARE(value, std::string("/a.so"));
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID", "", "InprocServer32"}, value), 2u);
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID", "{\xff}", "InprocServer32"}, value), 1113u);
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
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!platform::consumeEvent(event)); // the notifier took the signal

        // Disabled, it leaves the signal pending for later.
        notifier->setEnabled(false);
        platform::signalEvent(event);
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        notifier->setEnabled(true);
        QTRY_COMPARE(spy.count(), 2);

        // The driver signals from its own threads; the panel must hear it on the GUI thread.
        QThread *seen = nullptr;
        connect(notifier.get(), &EventNotifier::activated, this, [&seen] { seen = QThread::currentThread(); });
        std::thread([event] { platform::signalEvent(event); }).join();
        QTRY_VERIFY(seen);
        QCOMPARE(seen, QCoreApplication::instance()->thread());
        notifier.reset();
        platform::closeEvent(event);
    }

    // A second start brings the running copy's window forward, shown also when it waits hidden
    // (in the tray): whoever starts the program again wants to see it.
    void raiseRequestShowsAHiddenWindow()
    {
        QWindow main, other;
        const auto listener = platform::listenForRaiseRequests(&main, QStringLiteral("Raise Test"));
        QVERIFY(listener);
        other.show();
        other.requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), &other);
        platform::raiseRunningInstance(QStringLiteral("Raise Test"));
        QTRY_VERIFY(main.isVisible());
        QTRY_COMPARE(QGuiApplication::focusWindow(), &main);
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
