#include "device/MixerModels.h"

#include "device/TUsbAudioApi.h"

#include <algorithm>

namespace {
const QVector<Page> kMixerPages{Page::Status, Page::AudioRouting, Page::Ducker, Page::BufferSettings, Page::Info};
const QVector<Page> kVolumePages{Page::Status, Page::Volume, Page::BufferSettings, Page::Info};

const QVector<MixerModel> &table()
{
    static const QVector<MixerModel> rows{
        {kProductAlto,
         QStringLiteral("Alto"),
         {QT_TRANSLATE_NOOP("MixerModels", "Mic input 1 + Mono line input 2"),
          QT_TRANSLATE_NOOP("MixerModels", "Stereo input 2+3"), QT_TRANSLATE_NOOP("MixerModels", "Stereo input 4+5"),
          QT_TRANSLATE_NOOP("MixerModels", "Mix L+R")},
         {},
         2,
         kMixerPages},
        {kProductTenor,
         QStringLiteral("Tenor"),
         {QT_TRANSLATE_NOOP("MixerModels", "Mic input 1+2"), QT_TRANSLATE_NOOP("MixerModels", "Stereo input 3+4"),
          QT_TRANSLATE_NOOP("MixerModels", "Stereo input 5+6"), QT_TRANSLATE_NOOP("MixerModels", "Mix L+R")},
         {},
         2,
         kMixerPages},
        {kProductBasso,
         QStringLiteral("Basso"),
         {QT_TRANSLATE_NOOP("MixerModels", "Mic input 1+2")},
         {QT_TRANSLATE_NOOP("MixerModels", "Mic input 3+4"), QT_TRANSLATE_NOOP("MixerModels", "Stereo input 5+6"),
          QT_TRANSLATE_NOOP("MixerModels", "Stereo input 7+8"), QT_TRANSLATE_NOOP("MixerModels", "Mix L+R")},
         4,
         kMixerPages},
        // Devices of the same driver with a volume page instead of routing and ducker.
        {kProductVolume21, {}, {}, {}, 0, kVolumePages},
        {kProductVolume22, {}, {}, {}, 0, kVolumePages},
    };
    return rows;
}

const MixerModel &unknownProduct()
{
    static const MixerModel row{0, {}, {}, {}, 0, {Page::Status, Page::BufferSettings, Page::Info}};
    return row;
}
} // namespace

namespace MixerModels {

const MixerModel &forProduct(uint32_t productId)
{
    const QVector<MixerModel> &rows = table();
    const auto row =
        std::find_if(rows.cbegin(), rows.cend(), [productId](const MixerModel &m) { return m.productId == productId; });
    return row != rows.cend() ? *row : unknownProduct();
}

const MixerModel &forDevice(uint32_t vendorId, uint32_t productId)
{
    const MixerModel &row = forProduct(productId);
    return row.isMixer() && vendorId != LumenVendorId ? unknownProduct() : row;
}

} // namespace MixerModels
