// Any settings file, read through the model stores and encoded as the service does: a value the user
// sets reads back, every other is written back unchanged, the format reads and writes as Qt's INI.
#include "FuzzTarget.h"
#include "app/AppConstants.h"
#include "device/IRegistryService.h"
#include "device/MixerModels.h"
#include "device/MixerProtocol.h"
#include "device/StoreKeys.h"
#include "device/TUsbAudioApi.h"
#include "settings/ModelStores.h"
#include "settings/SettingsFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <utime.h>

namespace {
QString s_settingsFile;
QString s_qtReadFile;
QString s_qtWriteFile;
long s_generation = 0;

// Same names for every input (new ones grow Qt's file cache), so each write gets its own mtime:
// QSettings re-reads a cached file only when its size or modification time changed.
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

// Whatever the file says, every value that would reach the mixer is within its field.
void readLikeThePanel(IRegistryService &store, const MixerModel &model)
{
    using namespace StoreKeys;
    const auto within = [](const QVariant &v, int lower, int upper) { return v.toInt() >= lower && v.toInt() <= upper; };
    FUZZ_CHECK(within(store.getAudioRoutingValue(kInput12), 0, int(model.inputs12.size()) - 1));
    FUZZ_CHECK(model.inputs32.isEmpty() || within(store.getAudioRoutingValue(kInput32), 0, int(model.inputs32.size()) - 1));
    const int on = store.getDuckerValue(kOn).toInt();
    FUZZ_CHECK(on == 0 || on == 1);
    int mask = 0;
    for (int i = 1; i <= model.triggerInputs; ++i) {
        const int bit = store.getDuckerValue(QStringLiteral("Input %1").arg(i)).toInt();
        FUZZ_CHECK(bit == 0 || bit == 1 << (i - 1));
        mask |= bit;
    }
    // The ducker page reads the release time as a real number of milliseconds.
    const double release = store.getDuckerValue(kReleaseTime).toDouble();
    FUZZ_CHECK(release >= 0 && release <= 5000);
    MixerProtocol::duckerSwitchValue(on, mask, int(release));
    const QVariant range = store.getDuckerValue(kDuckerRange), sensitivity = store.getDuckerValue(kSensitivity);
    const QVariant attack = store.getDuckerValue(kAttackTime), hold = store.getDuckerValue(kHoldTime);
    FUZZ_CHECK(within(range, 0, 90) && within(sensitivity, -60, 0) && within(attack, 0, 0xFFFF) && within(hold, 0, 0xFFFF));
    MixerProtocol::duckRangeValue(range.toInt());
    MixerProtocol::sensitivityValue(sensitivity.toInt());
    MixerProtocol::attackHoldValue(attack.toInt(), hold.toInt());
}

bool same(const QVariant &a, const QVariant &b)
{
    if (SettingsFormat::isRefused(a) || SettingsFormat::isRefused(b))
        return SettingsFormat::isRefused(a) && SettingsFormat::isRefused(b) &&
               a.value<SettingsFormat::RefusedValue>().text == b.value<SettingsFormat::RefusedValue>().text;
    return a == b;
}

// A key both write back as it is: no empty group name, no "general" in other letters ("General").
bool addressable(const QString &key)
{
    const QString group = key.section(QLatin1Char('/'), 0, 0);
    return !key.isEmpty() && !key.startsWith(QLatin1Char('/')) && !key.endsWith(QLatin1Char('/')) &&
           !key.contains(QLatin1String("//")) &&
           (group == QLatin1String("General") || group.compare(QLatin1String("general"), Qt::CaseInsensitive) != 0);
}

// Qt decodes binary (refused) values also from a repeated key's other lines and escaped '@'s: it reads
// only text without either.
void checkFormat(const QByteArray &input, const QSettings::SettingsMap &parsed, bool anyDropped)
{
    bool anyRefused = anyDropped;
    QSettings::SettingsMap plain;
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it) {
        anyRefused = anyRefused || SettingsFormat::isRefused(it.value());
        if (addressable(it.key()) && !SettingsFormat::isRefused(it.value()))
            plain.insert(it.key(), it.value());
    }
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
    QSettings qt(s_qtWriteFile, QSettings::IniFormat);
    qt.clear();
    for (auto it = plain.cbegin(); it != plain.cend(); ++it)
        qt.setValue(it.key(), it.value());
    qt.sync();
    QFile f(s_qtWriteFile);
    f.open(QIODevice::ReadOnly);
    FUZZ_CHECK(f.readAll() == SettingsFormat::serialise(plain));
}

// Defaults go only into a group without a key of its own: a user's partial group is never completed.
void checkDefaults(const QSettings::SettingsMap &before, const QSettings::SettingsMap &after, const QString &group,
                   const QStringList &defaults, const QString &changed)
{
    const auto own = [&group](const QSettings::SettingsMap &m) {
        QSettings::SettingsMap keys;
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            if (it.key().startsWith(group + '/') && !it.key().mid(group.size() + 1).contains('/'))
                keys.insert(it.key(), it.value());
        return keys;
    };
    QSettings::SettingsMap expected = own(before);
    if (expected.isEmpty())
        for (const QString &kv : defaults)
            expected.insert(group + '/' + kv.section('=', 0, 0), kv.section('=', 1));
    const QSettings::SettingsMap now = own(after);
    expected.insert(changed, now.value(changed)); // its value is checked on its own
    FUZZ_CHECK(now.keys() == expected.keys());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        FUZZ_CHECK(same(now.value(it.key()), it.value()));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // On tmpfs where there is one: with a disk's sync the settings writes make it 100x slower.
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
    const uint32_t products[] = {kProductAlto, kProductTenor, kProductBasso};
    const MixerModel &model = MixerModels::forProduct(products[size ? data[0] % 3 : 0]);
    const QString group = model.name;
    QSharedPointer<IRegistryService> store = ModelStores::create(model);
    readLikeThePanel(*store, model);
    // A refused value reads as absent.
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it)
        if (SettingsFormat::isRefused(it.value()) && it.key().startsWith(group + "/Ducker/") && addressable(it.key()))
            FUZZ_CHECK(!store->getDuckerValue(it.key().section('/', 2)).isValid());

    // A user's change reads back.
    store->setDuckerValue(StoreKeys::kSensitivity, -42);
    const int lastSource = int(model.inputs12.size()) - 1;
    store->setAudioRoutingValue(StoreKeys::kInput12, lastSource);
    FUZZ_CHECK(store->getDuckerValue(StoreKeys::kSensitivity).toInt() == -42);
    FUZZ_CHECK(store->getAudioRoutingValue(StoreKeys::kInput12).toInt() == lastSource);
    store.reset();

    // Everything else in the file is still there, refused values included.
    QFile written(s_settingsFile);
    FUZZ_CHECK(written.open(QIODevice::ReadOnly));
    const QSettings::SettingsMap after = SettingsFormat::parse(written.readAll());
    const QString routing = group + "/AudioRouting", ducker = group + "/Ducker";
    const QStringList changed{routing + "/Input12", ducker + "/Sensitivity"};
    bool allAddressable = true;
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it) {
        allAddressable = allAddressable && addressable(it.key());
        FUZZ_CHECK(changed.contains(it.key()) || !addressable(it.key()) ||
                   (after.contains(it.key()) && same(after.value(it.key()), it.value())));
    }
    if (!allAddressable)
        return 0; // QSettings may read such a key into a model's group
    const QStringList duckerDefaults{"On=0",           "Input 1=0",        "Input 2=0",     "Sensitivity=-30",
                                     "DuckerRange=40", "ReleaseTime=2000", "AttackTime=50", "HoldTime=250"};
    const bool basso = group == QLatin1String("Basso");
    checkDefaults(parsed, after, routing, QStringList{"Input12=0"} + (basso ? QStringList{"Input32=0"} : QStringList()),
                  changed[0]);
    checkDefaults(parsed, after, ducker,
                  duckerDefaults + (basso ? QStringList{"Input 3=0", "Input 4=0"} : QStringList()), changed[1]);
    return 0;
}
