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

    // recordEnd: the mark that closes a record (CR LF, or CR); an empty mark
    // never closes one. recordEndLen: how many characters are cut from the end
    // of the text up to and including the mark (2, or 1; clamped to that
    // text). A line whose first maxLine bytes hold no complete record end is
    // closed after those bytes as an entry, with nothing cut.
    LineCutter(const QByteArray &recordEnd, int recordEndLen, qsizetype maxLine = DefaultMaxLine);

    // Feeds one read. Completed entries are appended to out. Once an entry
    // holding "End" was produced, ended() is true, that entry is the last one
    // and everything after it is dropped (also in later feeds).
    // wholeRead false: the chunk is the rest of a read whose beginning (an
    // answer, a start mark) was taken elsewhere; that read began with text,
    // so the chunk is no line noise whatever its first byte.
    void feed(const QByteArray &chunk, QList<QByteArray> &out, bool wholeRead = true);

    // The next bytes follow a start mark: one record end directly at their
    // start closes the mark's line and makes no entry, however the reads cut it.
    void skipRecordEndAtStart() { m_skipRecordEnd = true; }

    bool ended() const { return m_ended; }
    // Bytes received since the last completed entry.
    const QByteArray &pending() const { return m_buffer; }

private:
    void takeRecord(qsizetype start, qsizetype stop, qsizetype cut, QList<QByteArray> &out);

    QByteArray m_recordEnd;
    int m_recordEndLen;
    qsizetype m_maxLine;
    QByteArray m_buffer;
    // Where the search for the record end resumes in m_buffer: the bytes
    // before it were searched already and cannot start a mark.
    qsizetype m_searchFrom = 0;
    bool m_ended = false;
    bool m_skipRecordEnd = false;
};
