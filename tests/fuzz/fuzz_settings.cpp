// The user's settings file with any content, read through the model stores the way the
// communication service and the routing and ducker pages read it, and encoded for the mixer.
// A store must open any file without crashing, and a value the user sets must read back.
#include "FuzzTarget.h"
#include "app/AppConstants.h"
#include "device/MixerProtocol.h"
#include "settings/AltoRegistryService.h"
#include "settings/BassoRegistryService.h"
#include "settings/TenorRegistryService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <utime.h>

namespace {
QString s_settingsFile;
long s_generation = 0;

// The file is rewritten for every input; QSettings re-reads a cached file only when its size
// or modification time changed, so each input gets a time of its own.
void writeSettingsFile(const uint8_t *data, size_t size)
{
    QFile f(s_settingsFile);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char *>(data), qint64(size));
    f.close();
    ++s_generation;
    struct utimbuf t;
    t.actime = t.modtime = time_t(1000000 + s_generation);
    utime(QFile::encodeName(s_settingsFile).constData(), &t);
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
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
    static QCoreApplication app(*argc, *argv);
    s_settingsFile = QSettings().fileName();
    QDir().mkpath(QFileInfo(s_settingsFile).absolutePath());
    return 0;
}

// QSettings decodes "@Variant(...)" and "@DateTime(...)" values with QDataStream, which trusts
// the element counts inside them: a forged count makes Qt itself allocate without bound and
// abort. The panel only ever writes plain integers, so such values come only from a hand-forged
// file; that defect lies in Qt and is not this target's subject, so those inputs are skipped.
static bool carriesQtBinaryValue(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    return bytes.contains("@Variant(") || bytes.contains("@DateTime(");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (carriesQtBinaryValue(data, size))
        return 0;
    writeSettingsFile(data, size);
    const int model = size ? data[0] % 3 : 0;
    std::unique_ptr<IRegistryService> store;
    if (model == 0)
        store.reset(new AltoRegistryService);
    else if (model == 1)
        store.reset(new TenorRegistryService);
    else
        store.reset(new BassoRegistryService);
    readLikeThePanel(*store, model == 2);

    // A user's change reads back from the same store and from a second one, as the pages
    // and the service each hold their own.
    store->setDuckerValue(AppConstants::kSensitivity, -42);
    store->setAudioRoutingValue(AppConstants::kInput12, 3);
    FUZZ_CHECK(store->getDuckerValue(AppConstants::kSensitivity).toInt() == -42);
    FUZZ_CHECK(store->getAudioRoutingValue(AppConstants::kInput12).toInt() == 3);
    {
        AltoRegistryService other;
        if (model == 0) {
            FUZZ_CHECK(other.getDuckerValue(AppConstants::kSensitivity).toInt() == -42);
            FUZZ_CHECK(other.getAudioRoutingValue(AppConstants::kInput12).toInt() == 3);
        }
        readLikeThePanel(other, false);
    }
    return 0;
}
