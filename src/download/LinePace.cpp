#include "LinePace.h"

void LinePace::took(qsizetype bytes, qint64 nowNs)
{
    if (!m_started) {
        // The first take after the key press says nothing of the pace yet.
        m_started = true;
        m_windowStartNs = nowNs;
        return;
    }
    m_windowBytes += bytes;
    const qint64 windowNs = nowNs - m_windowStartNs;
    if (windowNs < qint64(GatherMs) * 1'000'000)
        return;
    m_slow = m_windowBytes * SlowNsPerByte < windowNs;
    m_windowStartNs = nowNs;
    m_windowBytes = 0;
}
