#include "LineCutter.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>

namespace {

// The first mark lying wholly inside [from, limit), or -1.
qsizetype findMark(const char *data, qsizetype from, qsizetype limit, QByteArrayView mark)
{
    const qsizetype markLen = mark.size();
    const char first = mark.front();
    qsizetype pos = from;
    while (limit - pos >= markLen) {
        const void *hit = std::memchr(data + pos, first, size_t(limit - markLen + 1 - pos));
        if (!hit)
            return -1;
        pos = static_cast<const char *>(hit) - data;
        if (std::memcmp(data + pos + 1, mark.data() + 1, size_t(markLen - 1)) == 0)
            return pos;
        ++pos;
    }
    return -1;
}

} // namespace

LineCutter::LineCutter(const QByteArray &recordEnd, int recordEndLen, qsizetype maxLine)
    : m_recordEnd(recordEnd)
    , m_recordEndLen(recordEndLen)
    , m_maxLine(std::max<qsizetype>(maxLine, 1))
{
}

void LineCutter::feed(const QByteArray &chunk, QList<QByteArray> &out, bool wholeRead)
{
    // Line noise (a read starting with a byte of 127 or above) is dropped
    // whole, as the instruments' interface has always done.
    if (m_ended || chunk.isEmpty() || (wholeRead && quint8(chunk.front()) >= 127))
        return;
    if (m_buffer.isEmpty())
        m_buffer = chunk;
    else
        m_buffer.append(chunk);
    if (m_skipRecordEnd) {
        // Until the bytes can tell whether the record end is there, wait.
        if (m_buffer.size() < m_recordEnd.size() && m_recordEnd.startsWith(m_buffer))
            return;
        m_skipRecordEnd = false;
        if (!m_recordEnd.isEmpty() && m_buffer.startsWith(m_recordEnd))
            m_buffer.remove(0, m_recordEnd.size());
    }

    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    const qsizetype markLen = m_recordEnd.size();
    qsizetype start = 0;
    qsizetype from = m_searchFrom;
    for (;;) {
        const qsizetype capStop = start + std::min(m_maxLine, size - start);
        const qsizetype pos = markLen > 0 ? findMark(data, from, capStop, m_recordEnd) : -1;
        if (pos >= 0) {
            const qsizetype stop = pos + markLen;
            takeRecord(start, stop, m_recordEndLen, out);
            start = from = stop;
        } else if (size - start >= m_maxLine) {
            takeRecord(start, capStop, 0, out);
            start = from = capStop;
        } else {
            // A mark may begin in the last bytes and end in the next read.
            from = std::max(start, size - std::max<qsizetype>(markLen - 1, 0));
            break;
        }
        if (m_ended) {
            m_buffer.clear();
            m_searchFrom = 0;
            return;
        }
    }
    if (start > 0)
        m_buffer = m_buffer.sliced(start);
    m_searchFrom = from - start;
}

void LineCutter::takeRecord(qsizetype start, qsizetype stop, qsizetype cut, QList<QByteArray> &out)
{
    const QByteArrayView record(m_buffer.constData() + start, stop - start);
    cut = std::clamp<qsizetype>(cut, 0, record.size());
    out.append(record.first(record.size() - cut).toByteArray());
    if (record.contains(QByteArrayView("End")))
        m_ended = true;
}
