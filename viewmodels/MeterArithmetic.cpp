#include "viewmodels/MeterArithmetic.h"

#include <cmath>

namespace MeterArithmetic {

double levelToDb(double level)
{
    return 20.0 * std::log10(level);
}

int readingForDb(double db)
{
    return static_cast<int>(std::trunc(kReadingOffsetDb - db));
}

} // namespace MeterArithmetic

bool PeakHoldMeter::update(double level, int *reading)
{
    using namespace MeterArithmetic;
    if (level > m_heldPeak) {
        m_heldPeak = level;
        m_holdCounter = 0;
    } else if (m_holdCounter < kHoldPolls) {
        ++m_holdCounter;
    } else if (m_heldPeak > kDecayFloor) {
        m_heldPeak *= kDecayFactor;
    } else {
        m_heldPeak = kDecayFloor;
    }

    if (!(m_heldPeak > 0.0))
        return false; // no positive level seen yet

    const double db = levelToDb(m_heldPeak);
    if (std::fabs(db - m_lastReportedDb) <= kReportThresholdDb)
        return false;
    m_lastReportedDb = db;
    const int r = readingForDb(db);
    if (reading)
        *reading = r;
    return true;
}
