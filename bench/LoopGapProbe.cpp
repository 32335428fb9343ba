#include "LoopGapProbe.h"

#include <algorithm>

LoopGapProbe::LoopGapProbe(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(1);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LoopGapProbe::tick);
}

void LoopGapProbe::start()
{
    m_longestNs = 0;
    m_clock.start();
    m_lastNs = 0;
    m_timer.start();
}

void LoopGapProbe::stop()
{
    if (!m_timer.isActive())
        return;
    tick();
    m_timer.stop();
}

void LoopGapProbe::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    m_longestNs = std::max(m_longestNs, now - m_lastNs);
    m_lastNs = now;
}
