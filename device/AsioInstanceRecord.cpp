#include "device/AsioInstanceRecord.h"

#include "device/RecordBytes.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace {
constexpr size_t kInstanceWordOffset = 4;
constexpr size_t kFlagsOffset = 16;
constexpr size_t kCurrentSizeOffset = 28;
constexpr size_t kSizeCountOffset = 32;
constexpr size_t kSizesOffset = 36;
} // namespace

namespace AsioInstanceRecord {

AsioInstanceInfo parse(const uint8_t *data, size_t size)
{
    AsioInstanceInfo info;
    info.instanceWord = RecordBytes::readU32(data, size, kInstanceWordOffset);
    info.flags = RecordBytes::readU32(data, size, kFlagsOffset);
    info.currentBufferSize = RecordBytes::readU32(data, size, kCurrentSizeOffset);
    info.reportedSizeCount = RecordBytes::readU32(data, size, kSizeCountOffset);

    const size_t inBuffer = (data && size > kSizesOffset) ? (size - kSizesOffset) / 4 : 0;
    const size_t count = std::min<size_t>({size_t(info.reportedSizeCount), size_t(tusb::kAsioMaxSizes), inBuffer});
    info.bufferSizes.reserve(count);
    for (size_t i = 0; i < count; ++i)
        info.bufferSizes.push_back(RecordBytes::readU32(data, size, kSizesOffset + 4 * i));
    return info;
}

namespace {
QString bufferSizePattern()
{
    //: A buffer size. The panel reads the number back: keep %1 followed by a space.
    return QCoreApplication::translate("AsioInstanceRecord", "%1 samples");
}
} // namespace

QString bufferSizeText(uint32_t size) { return bufferSizePattern().arg(size); }

uint32_t leadingBufferSize(const QString &text)
{
    // A translation may put words before the number.
    const QString pattern = bufferSizePattern();
    const QString before = pattern.left(std::max(0, pattern.indexOf(QLatin1String("%1"))));
    const QString number = text.startsWith(before) ? text.mid(before.size()) : text;
    bool ok = false;
    const uint32_t size = number.split(QLatin1Char(' ')).first().toUInt(&ok, 10);
    return ok ? size : 0;
}

} // namespace AsioInstanceRecord
