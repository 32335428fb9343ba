// Cuts the bytes an instrument sends into records: one entry per record end,
// independent of how the bytes were split into reads (apart from the noise
// filter, which drops a read whose first byte is 127 or above).
#pragma once

#include <QByteArray>
#include <QList>

class LineCutter
{
public:
    static constexpr qsizetype DefaultMaxLine = 1 << 20;

    // recordEnd: the mark that closes a record (CR LF, or CR);
    // recordEndLen: how many characters are cut from the end of the text up to
    // and including the mark (2, or 1). A line of maxLine bytes with no
    // complete record end in it is closed there as an entry.
    LineCutter(const QByteArray &recordEnd, int recordEndLen, qsizetype maxLine = DefaultMaxLine);

    // Feeds one read. Completed entries are appended to out. Once an entry
    // holding "End" was produced, ended() is true, that entry is the last one
    // and everything after it is dropped (also in later feeds).
    void feed(const QByteArray &chunk, QList<QByteArray> &out);

    bool ended() const { return m_ended; }
    // Bytes received since the last completed entry.
    const QByteArray &pending() const { return m_buffer; }

private:
    QByteArray m_recordEnd;
    int m_recordEndLen;
    qsizetype m_maxLine;
    QByteArray m_buffer;
    bool m_ended = false;
};
