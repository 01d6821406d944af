// The registry stand-in: the .reg parser, the 260-unit value rules and which files are read.
#include "platform/RegFile.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const std::vector<std::string> kDriverKey = {"CLSID", "{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}", "InprocServer32"};
const char kDriverKeyPath[] = "HKEY_CLASSES_ROOT\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32";

const QByteArray kSample =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "; written by hand\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32]\n"
    "@=\"/opt/drv/lib \\\"q\\\" \\\\x.so\"\n"
    "\"ThreadingModel\"=\"Both\"\n"
    "\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32]\n"
    "@=hex(2):2f,00,61,00,\\\n"
    "  62,00,00,00\n"
    "\"Count\"=dword:0000002A\n"
    "\"Blob\"=hex:\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
    "@=dword:1\n";

std::vector<uint8_t> utf16z(const QString &s)
{
    std::vector<uint8_t> out;
    for (QChar c : s) {
        out.push_back(static_cast<uint8_t>(c.unicode() & 0xFF));
        out.push_back(static_cast<uint8_t>(c.unicode() >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

std::string_view view(const QByteArray &bytes) { return std::string_view(bytes.constData(), size_t(bytes.size())); }

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray driverEntry(const QByteArray &valueLine)
{
    return "Windows Registry Editor Version 5.00\n\n[" + QByteArray(kDriverKeyPath) + "]\n" + valueLine + "\n";
}

QByteArray driverPath(const QByteArray &path) { return driverEntry("@=\"" + path + "\""); }

// The driver's path, or "status <n>" when the read does not give `expectedStatus`.
QString readDriverPath(uint32_t expectedStatus = 0)
{
    std::string value = "stale";
    const uint32_t status = platform::readClassesRootDefaultValue(kDriverKey, value);
    if (status != expectedStatus)
        return QStringLiteral("status %1").arg(status);
    return QString::fromStdString(value);
}

} // namespace

class TestRegistry : public QObject
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

        const RegValue *path = file.find(
            "hkey_classes_root\\clsid\\{6b1e4c2a-93d5-4F0E-b7a1-2c8d9e3f5a61}\\INPROCSERVER32", "");
        QVERIFY(path);
        QCOMPARE(path->type, 1u);
        QCOMPARE(path->data, utf16z(QStringLiteral("/opt/drv/lib \"q\" \\x.so")));
        QVERIFY(file.find(kDriverKeyPath, "threadingmodel"));

        const std::string other = "HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";
        const RegValue *expandable = file.find(other, "");
        QVERIFY(expandable);
        QCOMPARE(expandable->type, 2u);
        QCOMPARE(expandable->data, utf16z(QStringLiteral("/ab")));
        QCOMPARE(file.find(other, "Count")->data, (std::vector<uint8_t>{0x2A, 0, 0, 0}));
        QCOMPARE(file.find(other, "Blob")->type, 3u);
        QVERIFY(file.find(other, "Blob")->data.empty());
        QCOMPARE(file.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other", "")->type, 4u);
        QVERIFY(!file.find("HKEY_CLASSES_ROOT\\CLSID", ""));
    }

    void deletions()
    {
        const QByteArray text = kSample
            + "[-HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}]\n"
              "@=\"ignored under a deleted key\"\n"
              "[" + QByteArray(kDriverKeyPath) + "]\n"
              "@=-\n";
        const RegFile file = RegFile::parse(view(text));
        QVERIFY2(file.isValid(), file.error().c_str());
        QCOMPARE(file.keyCount(), size_t(2));
        QVERIFY(!file.find(kDriverKeyPath, ""));
        QVERIFY(file.find(kDriverKeyPath, "ThreadingModel"));
    }

    void rejectsMalformedFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray header = "Windows Registry Editor Version 5.00\n";
        const QByteArray key = "[HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32]\n";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no header") << key + "@=\"/a.so\"\n";
        QTest::newRow("old header") << "REGEDIT4\n" + key + "@=\"/a.so\"\n";
        QTest::newRow("value before any key") << header + "@=\"/a.so\"\n" + key;
        QTest::newRow("unclosed key") << header + "[HKEY_CLASSES_ROOT\\CLSID\n";
        QTest::newRow("empty key segment") << header + "[HKEY_CLASSES_ROOT\\\\CLSID]\n";
        QTest::newRow("unknown hive") << header + "[HKEY_CLASES_ROOT\\CLSID]\n";
        QTest::newRow("unescaped backslash") << header + key + "@=\"C:\\drv\\a.dll\"\n";
        QTest::newRow("unterminated string") << header + key + "@=\"/a.so\n";
        QTest::newRow("text after string") << header + key + "@=\"/a.so\" x\n";
        QTest::newRow("missing =") << header + key + "@\"/a.so\"\n";
        QTest::newRow("long dword") << header + key + "@=dword:000000001\n";
        QTest::newRow("bad dword") << header + key + "@=dword:0000000g\n";
        QTest::newRow("bad hex byte") << header + key + "@=hex(2):2f,0g\n";
        QTest::newRow("three-digit hex byte") << header + key + "@=hex(2):2f,000\n";
        QTest::newRow("empty hex byte") << header + key + "@=hex(2):2f,,00\n";
        QTest::newRow("hex continued past the end") << header + key + "@=hex(2):2f,00,\\\n";
        QTest::newRow("hex type unclosed") << header + key + "@=hex(2:2f,00\n";
        QTest::newRow("unknown type") << header + key + "@=qword:1\n";
        QTest::newRow("invalid UTF-8") << header + key + "@=\"/\xc3\x28.so\"\n";
        QTest::newRow("NUL byte") << header + key + QByteArray("@=\"/a\0.so\"\n", 11);
        QTest::newRow("UTF-16 odd length") << QByteArray("\xff\xfeW\0i\0n", 7);
        QTest::newRow("UTF-16 lone surrogate") << QByteArray("\xff\xfe\x00\xd8W\0", 6);
        QTest::newRow("UTF-16 without BOM") << QByteArray("W\0i\0n\0d\0", 8);
    }

    void rejectsMalformedFiles()
    {
        QFETCH(QByteArray, text);
        const RegFile file = RegFile::parse(view(text));
        QVERIFY(!file.isValid());
        QVERIFY(!file.error().empty());
        QCOMPARE(file.keyCount(), size_t(0));
        QVERIFY(!file.find("HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32", ""));
    }

    // Random damage to a valid export must never crash or read out of bounds (run under
    // CALDER_SANITIZE=address to see the latter), and whatever parses must be consistent.
    void survivesDamage()
    {
        QRandomGenerator rng(20240601);
        const QByteArray specials("[]\\\"@=:,();-\r\n\t\x80\xff\0", 20);
        int valid = 0;
        for (int round = 0; round < 4000; ++round) {
            QByteArray text = kSample;
            const int edits = 1 + int(rng.bounded(4));
            for (int e = 0; e < edits && !text.isEmpty(); ++e) {
                const int at = int(rng.bounded(text.size()));
                switch (rng.bounded(4)) {
                case 0: text[at] = specials[int(rng.bounded(specials.size()))]; break;
                case 1: text.remove(at, 1 + int(rng.bounded(8))); break;
                case 2: text.insert(at, specials[int(rng.bounded(specials.size()))]); break;
                default: text.truncate(at); break;
                }
            }
            const RegFile file = RegFile::parse(view(text));
            if (!file.isValid()) {
                QCOMPARE(file.keyCount(), size_t(0));
                continue;
            }
            ++valid;
            const RegValue *v = file.find(kDriverKeyPath, "");
            if (v && v->type == 1) {
                QVERIFY(v->data.size() >= 2 && v->data.size() % 2 == 0);
                QCOMPARE(v->data[v->data.size() - 1], uint8_t(0));
                QCOMPARE(v->data[v->data.size() - 2], uint8_t(0));
            }
        }
        QVERIFY(valid > 0); // some damage leaves a file that still parses
    }

    void valueBuffer_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("status");
        QTest::addColumn<QString>("value");

        const auto units = [](const QString &s, bool terminated) {
            QByteArray b(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
            return terminated ? b + QByteArray(2, '\0') : b;
        };
        const QString x259(259, 'x');
        QTest::newRow("259 units + terminator") << 1u << units(x259, true) << 0u << x259;
        QTest::newRow("259 units, no terminator") << 2u << units(x259, false) << 0u << x259;
        QTest::newRow("260 units, no terminator") << 1u << units(x259 + 'x', false) << 111u << QString();
        QTest::newRow("260 units + terminator") << 1u << units(x259 + 'x', true) << 234u << QString();
        QTest::newRow("too long and wrong type") << 3u << QByteArray(522, 'a') << 234u << QString();
        QTest::newRow("dword") << 4u << QByteArray(4, '\1') << 11u << QString();
        QTest::newRow("empty, no bytes") << 1u << QByteArray() << 0u << QString();
        QTest::newRow("empty") << 2u << units(QString(), true) << 0u << QString();
        QTest::newRow("stops at the first NUL") << 1u << units(QStringLiteral("/a.so"), true) + units("b", true)
                                                << 0u << QStringLiteral("/a.so");
        QTest::newRow("odd byte count") << 1u << units(QStringLiteral("/ab"), false) + 'z' << 0u << QStringLiteral("/ab");
        QTest::newRow("non-ASCII") << 1u << units(QStringLiteral("/\u00e9\u97f3\U0001F3B5"), true) << 0u
                                   << QStringLiteral("/\u00e9\u97f3\U0001F3B5");
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

    // CRLF, BOMs and UTF-16 as regedit writes it all read the same.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray lf = driverPath(QStringLiteral("/opt/Ger\u00e4t/\u97f3.so").toUtf8());
        QByteArray crlf = lf;
        crlf.replace("\n", "\r\n");
        const QString text = QString::fromUtf8(crlf);
        QByteArray le("\xff\xfe", 2), be("\xfe\xff", 2);
        for (QChar c : text) {
            le += char(c.unicode() & 0xFF);
            le += char(c.unicode() >> 8);
            be += char(c.unicode() >> 8);
            be += char(c.unicode() & 0xFF);
        }
        QTest::newRow("UTF-8, LF") << lf;
        QTest::newRow("UTF-8, CRLF") << crlf;
        QTest::newRow("UTF-8 BOM, CRLF") << "\xef\xbb\xbf" + crlf;
        QTest::newRow("UTF-16LE BOM, CRLF") << le;
        QTest::newRow("UTF-16BE BOM, CRLF") << be;
    }

    void encodings()
    {
        QFETCH(QByteArray, content);
        const QString file = m_dir.filePath("encoded.reg");
        writeFile(file, content);
        qputenv("CALDER_REGISTRY", QFile::encodeName(file));
        QCOMPARE(readDriverPath(), QStringLiteral("/opt/Ger\u00e4t/\u97f3.so"));
    }

    void whichFileWins()
    {
        const QString root = m_dir.filePath("xdg");
        const QString user = root + "/user/calder/registry.reg";
        const QString sys1 = root + "/sys1/calder/registry.reg";
        const QString sys2 = root + "/sys2/calder/registry.reg";
        const QString home = root + "/home/.config/calder/registry.reg";
        qunsetenv("CALDER_REGISTRY");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/user"));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName("relative/ignored:" + root + "/sys1:" + root + "/sys2"));

        QCOMPARE(readDriverPath(2), QString());
        writeFile(sys2, driverPath("/sys2.so"));
        QCOMPARE(readDriverPath(), QStringLiteral("/sys2.so"));
        writeFile(sys1, driverPath("/sys1.so"));
        QCOMPARE(readDriverPath(), QStringLiteral("/sys1.so"));
        writeFile(user, driverPath("/user.so"));
        QCOMPARE(readDriverPath(), QStringLiteral("/user.so"));

        // The user's entry wins even when it is unusable...
        writeFile(user, driverEntry("@=dword:1"));
        QCOMPARE(readDriverPath(11), QString());
        // ...but a user file without it, or a broken one, leaves the system's in force.
        writeFile(user, driverEntry("\"Other\"=\"x\""));
        QCOMPARE(readDriverPath(), QStringLiteral("/sys1.so"));
        writeFile(user, driverEntry("@=\"/user.so"));
        QCOMPARE(readDriverPath(), QStringLiteral("/sys1.so"));

        // Without XDG_CONFIG_HOME the user's file is under ~/.config.
        qunsetenv("XDG_CONFIG_HOME");
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(root + "/home"));
        writeFile(home, driverPath("/home.so"));
        QCOMPARE(readDriverPath(), QStringLiteral("/home.so"));
        qputenv("HOME", savedHome);

        // CALDER_REGISTRY is the whole registry, even when it lacks the entry or is missing.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/user"));
        writeFile(user, driverPath("/user.so"));
        const QString only = m_dir.filePath("only.reg");
        writeFile(only, driverPath("/only.so"));
        qputenv("CALDER_REGISTRY", QFile::encodeName(only));
        QCOMPARE(readDriverPath(), QStringLiteral("/only.so"));
        writeFile(only, "Windows Registry Editor Version 5.00\n");
        QCOMPARE(readDriverPath(2), QString());
        qputenv("CALDER_REGISTRY", QFile::encodeName(m_dir.filePath("absent.reg")));
        QCOMPARE(readDriverPath(2), QString());
        // A directory or an oversized file is no registry.
        qputenv("CALDER_REGISTRY", QFile::encodeName(m_dir.path()));
        QCOMPARE(readDriverPath(2), QString());
        writeFile(only, driverPath("/only.so") + QByteArray(5 * 1024 * 1024, '\n'));
        qputenv("CALDER_REGISTRY", QFile::encodeName(only));
        QCOMPARE(readDriverPath(2), QString());
    }

    void keyPathRules()
    {
        const QString file = m_dir.filePath("keys.reg");
        writeFile(file, driverPath("/a.so"));
        qputenv("CALDER_REGISTRY", QFile::encodeName(file));
        std::string value;
        // Like RegOpenKeyExW, one component may name several levels.
        QCOMPARE(platform::readClassesRootDefaultValue(
                     {"clsid\\{6b1e4c2a-93d5-4f0e-b7a1-2c8d9e3f5a61}", "inprocserver32"}, value), 0u);
        QCOMPARE(value, std::string("/a.so"));
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID", "", "InprocServer32"}, value), 2u);
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID\\", "InprocServer32"}, value), 2u);
        QCOMPARE(platform::readClassesRootDefaultValue({"CLSID", "{\xff}", "InprocServer32"}, value), 1113u);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
