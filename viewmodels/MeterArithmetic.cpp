#include "viewmodels/MeterArithmetic.h"

#include <cmath>

namespace MeterArithmetic {

double levelToDb(double level) { return 20.0 * std::log10(level); }

int readingForDb(double db) { return static_cast<int>(std::trunc(kReadingOffsetDb - db)); }

} // namespace MeterArithmetic

int PeakHoldMeter::holdCounter() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_holdCounter;
}

double PeakHoldMeter::heldPeak() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_heldPeak;
}

double PeakHoldMeter::lastReportedDb() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastReportedDb;
}

bool PeakHoldMeter::update(double level, int *reading)
{
    using namespace MeterArithmetic;
    std::lock_guard<std::mutex> lock(m_mutex);
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
