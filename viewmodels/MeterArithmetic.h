#pragma once
// Peak hold and reading arithmetic of the ducker meter. The ducker page feeds it on the GUI
// thread, one level at a time; the hold state is still guarded, so that two updates can never
// interleave wherever they come from.
#include <mutex>

namespace MeterArithmetic {
constexpr int kHoldPolls = 10;        // polls a peak is held before it decays
constexpr double kDecayFactor = 0.75; // per poll once the hold has run out (about 2.5 dB)
constexpr double kDecayFloor = 1.0;   // a held peak at or below this is lifted to it
constexpr double kReportThresholdDb = 3.0;
constexpr double kReadingOffsetDb = 138.4; // a level of 2^23 reads 0

// 20 log10(level).
double levelToDb(double level);
// trunc(138.4 - dB): louder signals give smaller readings.
int readingForDb(double db);
} // namespace MeterArithmetic

class PeakHoldMeter
{
public:
    // Feeds one meter level. Returns true and sets *reading when the held level moved by more
    // than 3 dB since the last report; false when nothing is to be reported.
    bool update(double level, int *reading);

    int holdCounter() const;
    double heldPeak() const;
    double lastReportedDb() const;

private:
    mutable std::mutex m_mutex;
    int m_holdCounter = 0;
    double m_heldPeak = 0.0;
    double m_lastReportedDb = 0.0;
};
