#include "Flood.h"

#include <vector>

QByteArray floodLine(qint64 number, int length)
{
    QByteArray line = QByteArray::number(number).rightJustified(8, '0');
    const qint64 hundredths = 1000 + (number * 37) % 1000;
    const QByteArray reading = ' ' + QByteArray::number(hundredths / 100) + '.'
        + QByteArray::number(hundredths % 100).rightJustified(2, '0') + " um";
    const qsizetype rest = length - line.size();
    if (rest <= 0)
        return line;
    if (reading.size() >= rest)
        return line + reading.left(rest);
    return line + QByteArray(rest - reading.size(), ' ') + reading;
}

FloodSource::FloodSource(qint64 lines, int lineLength, const QByteArray &recordEnd, bool withEnd)
    : m_lines(lines), m_lineLength(lineLength), m_recordEnd(recordEnd), m_withEnd(withEnd)
{
}

QByteArray FloodSource::take(qint64 maxBytes)
{
    QByteArray out;
    out.reserve(maxBytes + m_lineLength + m_recordEnd.size());
    out += m_carry;
    m_carry.clear();
    while (out.size() < maxBytes && m_next <= m_lines)
        out += floodLine(m_next++, m_lineLength) + m_recordEnd;
    if (out.size() < maxBytes && m_next > m_lines && m_withEnd && !m_endSent) {
        out += QByteArrayLiteral("End") + m_recordEnd;
        m_endSent = true;
    }
    if (out.size() > maxBytes) {
        m_carry = out.mid(maxBytes);
        out.truncate(maxBytes);
    }
    return out;
}

bool FloodSource::atEnd() const
{
    return m_carry.isEmpty() && m_next > m_lines && (m_endSent || !m_withEnd);
}

qint64 FloodSource::totalBytes() const
{
    qint64 total = 0;
    const qint64 end = m_recordEnd.size();
    // Line lengths only grow once the numbers pass eight digits.
    for (qint64 digits = 8, first = 1; first <= m_lines; ++digits) {
        qint64 last = 1;
        for (qint64 i = 0; i < digits; ++i)
            last *= 10;
        last = qMin(last - 1, m_lines);
        const qint64 count = last - first + 1;
        total += count * (qMax<qint64>(digits, m_lineLength) + end);
        first = last + 1;
    }
    if (m_withEnd)
        total += 3 + end;
    return total;
}

FloodCheck checkFlood(const QList<QByteArray> &lines, qint64 expected, int lineLength)
{
    FloodCheck check;
    std::vector<bool> seen(static_cast<size_t>(qMax<qint64>(expected, 0)) + 1, false);
    qint64 previous = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (i == lines.size() - 1 && line == "End")
            break;
        qsizetype digits = 0;
        while (digits < line.size() && line.at(digits) >= '0' && line.at(digits) <= '9')
            ++digits;
        bool ok = false;
        const qint64 number = line.left(digits).toLongLong(&ok);
        if (!ok || number < 1 || number > expected || line != floodLine(number, lineLength)) {
            ++check.damaged;
            continue;
        }
        if (seen[number])
            ++check.duplicated;
        else
            ++check.lines;
        seen[number] = true;
        if (number != previous + 1)
            ++check.outOfOrder;
        previous = number;
    }
    for (qint64 n = 1; n <= expected; ++n) {
        if (!seen[n]) {
            if (check.missing == 0)
                check.firstMissing = n;
            ++check.missing;
        }
    }
    return check;
}
