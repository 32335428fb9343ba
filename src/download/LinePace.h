// How fast the line delivers: tells the receiver whether to let the next
// pieces gather in the driver before it takes them.
#pragma once

#include <QtGlobal>

// An instrument sends its stored lines in pieces of a few dozen bytes, a
// hundred a second at 38400 baud; taking each piece as it came woke the
// program a hundred times a second and cost more than 1 % of a core. A line
// is slow while its bytes come slower than one per 40 us (25,000 a second),
// judged over at least GatherMs; then the receiver sleeps GatherMs before
// each take, gathering at most 1 KB, a quarter of the driver's buffer. A
// faster line, in however small pieces, is never held; a slow line that turns
// fast is held once more at most.
class LinePace
{
public:
    static constexpr int GatherMs = 40;
    static constexpr qint64 SlowNsPerByte = 40'000;

    // The receiver took `bytes` (more than none) at `nowNs` on a steady clock.
    void took(qsizetype bytes, qint64 nowNs);
    // Whether to sleep GatherMs before taking again.
    bool gather() const { return m_slow; }

private:
    bool m_started = false;
    bool m_slow = false;
    qint64 m_windowStartNs = 0;
    qint64 m_windowBytes = 0;
};
