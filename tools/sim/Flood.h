// Numbered lines for flood runs: generated on demand so that millions of lines
// cost no memory, and checked afterwards for lost, doubled or damaged lines.
#pragma once

#include "ByteSource.h"

#include <QByteArray>
#include <QList>

// Line number (from 1) as the flood sends it, without the record end: eight or
// more digits, then a reading right-aligned to fill length, e.g.
// "00000001    10.37 um" for length 20. Never shorter than the digits.
QByteArray floodLine(qint64 number, int length);

class FloodSource : public ByteSource
{
public:
    FloodSource(qint64 lines, int lineLength, const QByteArray &recordEnd, bool withEnd);
    QByteArray take(qint64 maxBytes) override;
    bool atEnd() const override;
    // All bytes the flood sends, lines and "End" included.
    qint64 totalBytes() const;

private:
    qint64 m_lines;
    int m_lineLength;
    QByteArray m_recordEnd;
    bool m_withEnd;
    qint64 m_next = 1;
    bool m_endSent = false;
    QByteArray m_carry;
};

struct FloodCheck
{
    qint64 lines = 0;         // numbered lines that arrived intact
    qint64 missing = 0;       // numbers 1..expected that never arrived
    qint64 duplicated = 0;
    qint64 outOfOrder = 0;    // lines whose number does not follow the previous one
    qint64 damaged = 0;       // lines that are not a flood line (a trailing "End" is not counted)
    qint64 firstMissing = 0;  // 0 when none is missing
    bool complete() const { return missing == 0 && duplicated == 0 && outOfOrder == 0 && damaged == 0; }
};

// Checks received lines (record ends removed) against a flood of expected lines.
FloodCheck checkFlood(const QList<QByteArray> &lines, qint64 expected, int lineLength);
