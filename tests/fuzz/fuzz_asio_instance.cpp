// The ASIO instance record in a buffer of any size, and its buffer-size texts parsed back.
#include "FuzzTarget.h"
#include "device/AsioInstanceRecord.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<uint8_t> record(data, data + size);
    const AsioInstanceInfo info = AsioInstanceRecord::parse(record.data(), record.size());
    FUZZ_CHECK(info.bufferSizes.size() <= tusb::kAsioMaxSizes);
    FUZZ_CHECK(info.bufferSizes.size() <= info.reportedSizeCount);
    for (uint32_t s : info.bufferSizes)
        FUZZ_CHECK(AsioInstanceRecord::leadingBufferSize(AsioInstanceRecord::bufferSizeText(s)) == s);
    AsioInstanceRecord::leadingBufferSize(AsioInstanceRecord::bufferSizeText(info.currentBufferSize));
    const uint32_t withSafe = AsioInstanceRecord::withSafeMode(info.flags, true);
    FUZZ_CHECK(AsioInstanceRecord::isSafeMode(withSafe));
    FUZZ_CHECK(!AsioInstanceRecord::isSafeMode(AsioInstanceRecord::withSafeMode(info.flags, false)));
    // The combo box hands the chosen text back; any text must parse to a number or to 0.
    AsioInstanceRecord::leadingBufferSize(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}
