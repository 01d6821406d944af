#include "device/StreamFormatRecord.h"

#include "device/RecordBytes.h"

#include <QCoreApplication>

#include <algorithm>

namespace StreamFormatRecord {

StreamFormat parse(const uint8_t *data, size_t size)
{
    StreamFormat f;
    f.formatId = RecordBytes::readU32(data, size, 0);
    f.sampleBits = RecordBytes::readU32(data, size, 4);
    f.channelCount = RecordBytes::readU32(data, size, 8);
    return f;
}

std::vector<StreamFormat> parseTable(const uint8_t *data, size_t size, uint32_t reportedCount)
{
    const size_t whole = data ? size / tusb::kStreamFormatSize : 0;
    const size_t count = std::min<size_t>({size_t(reportedCount), size_t(tusb::kStreamFormatCapacity), whole});
    std::vector<StreamFormat> formats;
    formats.reserve(count);
    for (size_t i = 0; i < count; ++i)
        formats.push_back(parse(data + i * tusb::kStreamFormatSize, tusb::kStreamFormatSize));
    return formats;
}

QString text(const StreamFormat &format)
{
    return QCoreApplication::translate("StreamFormatRecord", "%1 channels, %2 bits")
        .arg(format.channelCount)
        .arg(format.sampleBits);
}

uint32_t maxChannelCount(const std::vector<StreamFormat> &formats)
{
    uint32_t most = 0;
    for (const StreamFormat &f : formats)
        most = std::max(most, f.channelCount);
    return most;
}

} // namespace StreamFormatRecord
