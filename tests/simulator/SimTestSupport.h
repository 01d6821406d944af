#pragma once
// Shared by the simulator tests: the library loaded through the panel's own loader (registry
// stand-in, dlopen) and the control functions of that same loaded instance.
#include "SimulatorControl.h"
#include "device/TUsbAudioApiDll.h"

#include <QtTest>

#include <cstring>
#include <vector>

namespace simtest {

inline const char *classId() { return "{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}"; }

// A record buffer with a guard zone after it, to catch writes past the record's size.
struct Guarded
{
    static constexpr size_t kGuard = 64;
    std::vector<uint8_t> bytes;
    size_t size;
    explicit Guarded(size_t recordSize) : bytes(recordSize + kGuard, 0xCC), size(recordSize)
    {
        std::memset(bytes.data(), 0, recordSize);
    }
    uint8_t *data() { return bytes.data(); }
    bool guardIntact() const
    {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != 0xCC)
                return false;
        return true;
    }
    uint32_t u32(size_t at) const
    {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    }
    int16_t i16(size_t at) const { return int16_t(uint16_t(bytes[at] | bytes[at + 1] << 8)); }
    // UTF-16 string of at most `units` units at `at`.
    QString str(size_t at, size_t units) const
    {
        QString s;
        for (size_t i = 0; i < units; ++i) {
            const char16_t c = char16_t(bytes[at + 2 * i] | bytes[at + 2 * i + 1] << 8);
            if (!c)
                break;
            s.append(QChar(c));
        }
        return s;
    }
};

inline QByteArray block(std::initializer_list<int> b)
{
    QByteArray out;
    for (int v : b)
        out.append(char(v));
    return out;
}

} // namespace simtest
