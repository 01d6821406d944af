// The user's settings file with any content, read through the model stores the way the
// communication service and the routing and ducker pages read it, and encoded for the mixer.
// A store must open any file without crashing, a value the user sets must read back, and
// every other value in the file must be written back unchanged. The settings format itself
// must read and write what Qt's own INI format does.
#include "FuzzTarget.h"
#include "app/AppConstants.h"
#include "device/StoreKeys.h"
#include "device/MixerProtocol.h"
#include "settings/AltoRegistryService.h"
#include "settings/BassoRegistryService.h"
#include "settings/SettingsFormat.h"
#include "settings/TenorRegistryService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utime.h>

namespace {
QString s_settingsFile;
QString s_qtReadFile;  // the input, for Qt's own INI format to read
QString s_qtWriteFile; // the values, as Qt's own INI format writes them
long s_generation = 0;

// The files are rewritten for every input under the same names (new names would grow Qt's
// cache of settings files); QSettings re-reads a cached file only when its size or
// modification time changed, so each input gets a time of its own.
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(bytes);
    f.close();
    ++s_generation;
    struct utimbuf t;
    t.actime = t.modtime = time_t(1000000 + s_generation);
    utime(QFile::encodeName(path).constData(), &t);
}

// What the readers do with a stored value: applyStoredSettings takes integers, the ducker page
// reads the release time as a real number of milliseconds and sends it truncated.
int releaseMsAsThePageSendsIt(const QVariant &v)
{
    const double ms = std::trunc(v.toDouble());
    if (std::isnan(ms))
        return 0;
    if (ms >= 2147483647.0)
        return 2147483647;
    if (ms <= -2147483648.0)
        return -2147483647 - 1;
    return int(ms);
}

void readLikeThePanel(IRegistryService &store, bool basso)
{
    using namespace AppConstants;
    using namespace StoreKeys;
    const int in12 = store.getAudioRoutingValue(kInput12).toInt();
    MixerProtocol::routingBlock(0, uint32_t(in12));
    if (basso)
        MixerProtocol::routingBlock(0, uint32_t(store.getAudioRoutingValue(kInput32).toInt()));
    int mask = store.getDuckerValue(kInput1).toInt() + store.getDuckerValue(kInput2).toInt();
    if (basso)
        mask += store.getDuckerValue(kInput3).toInt() + store.getDuckerValue(kInput4).toInt();
    const int on = store.getDuckerValue(kOn).toInt();
    MixerProtocol::duckerSwitchValue(on, mask, store.getDuckerValue(kReleaseTime).toInt());
    MixerProtocol::duckerSwitchValue(on, mask, releaseMsAsThePageSendsIt(store.getDuckerValue(kReleaseTime)));
    MixerProtocol::duckRangeValue(store.getDuckerValue(kDuckerRange).toInt());
    MixerProtocol::sensitivityValue(store.getDuckerValue(kSensitivity).toInt());
    MixerProtocol::attackHoldValue(store.getDuckerValue(kAttackTime).toInt(), store.getDuckerValue(kHoldTime).toInt());
}

QString modelGroup(int model)
{
    return model == 0 ? QStringLiteral("Alto") : model == 1 ? QStringLiteral("Tenor") : QStringLiteral("Basso");
}

bool same(const QVariant &a, const QVariant &b)
{
    if (SettingsFormat::isRefused(a) || SettingsFormat::isRefused(b))
        return SettingsFormat::isRefused(a) && SettingsFormat::isRefused(b) &&
               a.value<SettingsFormat::RefusedValue>().text == b.value<SettingsFormat::RefusedValue>().text;
    return a == b;
}

// A key both formats write back as it is: QSettings::value() finds it (no empty group name), and
// its group is not "general" in other letters (written back as "General").
bool addressable(const QString &key)
{
    const QString group = key.section(QLatin1Char('/'), 0, 0);
    return !key.isEmpty() && !key.startsWith(QLatin1Char('/')) && !key.endsWith(QLatin1Char('/')) &&
           !key.contains(QLatin1String("//")) &&
           (group == QLatin1String("General") || group.compare(QLatin1String("general"), Qt::CaseInsensitive) != 0);
}

// The format against itself and against Qt's own INI format, which may read only inputs with
// nothing it would decode from binary (those are the refused values). Keys with an empty group
// name, which neither format writes back as they were, are left out.
void checkFormat(const QByteArray &input, const QSettings::SettingsMap &parsed, bool anyDropped)
{
    bool anyRefused = anyDropped;
    QSettings::SettingsMap addressed;
    QSettings::SettingsMap plain;
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it) {
        const bool refused = SettingsFormat::isRefused(it.value());
        anyRefused = anyRefused || refused;
        if (addressable(it.key())) {
            addressed.insert(it.key(), it.value());
            if (!refused)
                plain.insert(it.key(), it.value());
        }
    }
    const QByteArray text = SettingsFormat::serialise(addressed);
    const QSettings::SettingsMap reread = SettingsFormat::parse(text);
    FUZZ_CHECK(reread.keys() == addressed.keys());
    for (auto it = addressed.cbegin(); it != addressed.cend(); ++it)
        FUZZ_CHECK(same(reread.value(it.key()), it.value()));
    FUZZ_CHECK(SettingsFormat::serialise(reread) == text);

    // Qt's reader decodes binary values from every line of a key, also from a repeated key whose
    // other line the format keeps, and from escapes that spell an '@': only text without either
    // goes to it.
    if (!anyRefused && !input.contains('@') && !input.contains("\\x")) {
        writeFile(s_qtReadFile, input);
        QSettings qt(s_qtReadFile, QSettings::IniFormat);
        QStringList qtKeys = qt.allKeys();
        std::sort(qtKeys.begin(), qtKeys.end());
        FUZZ_CHECK(qtKeys == parsed.keys());
        for (auto it = plain.cbegin(); it != plain.cend(); ++it)
            FUZZ_CHECK(qt.value(it.key()) == it.value());
    }
    // Qt writes the plain values byte for byte as the format does.
    {
        QSettings qt(s_qtWriteFile, QSettings::IniFormat);
        qt.clear();
        for (auto it = plain.cbegin(); it != plain.cend(); ++it)
            qt.setValue(it.key(), it.value());
    }
    QFile f(s_qtWriteFile);
    f.open(QIODevice::ReadOnly);
    FUZZ_CHECK(f.readAll() == SettingsFormat::serialise(plain));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // On tmpfs where there is one: every input ends in a settings write, and a disk's sync
    // would make the target a hundred times slower.
    static QTemporaryDir home(QDir(QStringLiteral("/dev/shm")).exists()
                                  ? QStringLiteral("/dev/shm/calder-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/calder-fuzz-XXXXXX"));
    if (!home.isValid())
        std::abort();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    s_settingsFile = QSettings(SettingsFormat::format(), QSettings::UserScope, AppConstants::kOrganizationName,
                               AppConstants::kApplicationName)
                         .fileName();
    QDir().mkpath(QFileInfo(s_settingsFile).absolutePath());
    s_qtReadFile = home.path() + QStringLiteral("/qt-read.ini");
    s_qtWriteFile = home.path() + QStringLiteral("/qt-write.ini");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    QStringList dropped;
    const QSettings::SettingsMap parsed = SettingsFormat::parse(input, &dropped);
    checkFormat(input, parsed, !dropped.isEmpty());
    writeFile(s_settingsFile, input);
    const int model = size ? data[0] % 3 : 0;
    std::unique_ptr<IRegistryService> store;
    if (model == 0)
        store.reset(new AltoRegistryService);
    else if (model == 1)
        store.reset(new TenorRegistryService);
    else
        store.reset(new BassoRegistryService);
    readLikeThePanel(*store, model == 2);
    // A refused value reads as absent.
    const QString ducker = modelGroup(model) + QStringLiteral("/Ducker/");
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it) {
        if (SettingsFormat::isRefused(it.value()) && it.key().startsWith(ducker) && addressable(it.key()))
            FUZZ_CHECK(!store->getDuckerValue(it.key().mid(ducker.size())).isValid());
    }

    // A user's change reads back from the same store and from a second one, as the pages
    // and the service each hold their own.
    store->setDuckerValue(StoreKeys::kSensitivity, -42);
    store->setAudioRoutingValue(StoreKeys::kInput12, 3);
    FUZZ_CHECK(store->getDuckerValue(StoreKeys::kSensitivity).toInt() == -42);
    FUZZ_CHECK(store->getAudioRoutingValue(StoreKeys::kInput12).toInt() == 3);
    {
        AltoRegistryService other;
        if (model == 0) {
            FUZZ_CHECK(other.getDuckerValue(StoreKeys::kSensitivity).toInt() == -42);
            FUZZ_CHECK(other.getAudioRoutingValue(StoreKeys::kInput12).toInt() == 3);
        }
        readLikeThePanel(other, false);
    }
    store.reset();

    // Everything else in the file is still there, refused values included.
    QFile written(s_settingsFile);
    FUZZ_CHECK(written.open(QIODevice::ReadOnly));
    const QSettings::SettingsMap after = SettingsFormat::parse(written.readAll());
    const QStringList changed{modelGroup(model) + QStringLiteral("/AudioRouting/Input12"),
                              modelGroup(model) + QStringLiteral("/Ducker/Sensitivity"),
                              QStringLiteral("Alto/AudioRouting/Input12"), QStringLiteral("Alto/Ducker/Sensitivity")};
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it)
        FUZZ_CHECK(changed.contains(it.key()) || !addressable(it.key()) ||
                   (after.contains(it.key()) && same(after.value(it.key()), it.value())));
    return 0;
}
