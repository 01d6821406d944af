// A stream-format listing: the reported count (first four bytes), a table of any length, its texts.
#include "FuzzTarget.h"
#include "device/StreamFormatRecord.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint32_t reported = 0;
    if (size >= 4) {
        std::memcpy(&reported, data, 4);
        data += 4;
        size -= 4;
    }
    // An exact copy on the heap, so that ASan sees the table's true end.
    std::vector<uint8_t> table(data, data + size);
    const std::vector<StreamFormat> formats = StreamFormatRecord::parseTable(table.data(), table.size(), reported);
    FUZZ_CHECK(formats.size() <= tusb::kStreamFormatCapacity);
    FUZZ_CHECK(formats.size() <= reported);
    FUZZ_CHECK(formats.size() * tusb::kStreamFormatSize <= table.size());
    for (const StreamFormat &f : formats)
        FUZZ_CHECK(!StreamFormatRecord::text(f).isEmpty());
    const uint32_t most = StreamFormatRecord::maxChannelCount(formats);
    for (const StreamFormat &f : formats)
        FUZZ_CHECK(f.channelCount <= most);

    // One record (GetCurrentStreamFormat), however short.
    const StreamFormat current = StreamFormatRecord::parse(table.data(), table.size());
    if (table.size() < 4)
        FUZZ_CHECK(current.formatId == 0);
    StreamFormatRecord::text(current);
    return 0;
}
