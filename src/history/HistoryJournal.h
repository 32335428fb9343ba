// The download history's copy of each download: a .mes.part that grows with
// every batch of entries (written on a thread of its own), then the file Save
// would write, named by start time, instrument and how the download ended
// (written on a thread of its own too, so that a stalled disk holds no window).
// When the disk fails during the download, the lines that reached the .part
// are kept as an incomplete copy.
#pragma once

#include "AppendFile.h"
#include "DownloadJournal.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>
#include <thread>

class HistoryJournal : public QObject, public DownloadJournal
{
    Q_OBJECT
public:
    // folder: the history folder, made when the first download needs it.
    explicit HistoryJournal(const QString &folder, QObject *parent = nullptr);
    ~HistoryJournal() override;

    QString folder() const { return m_folder; }
    // The clock that names the files (tests set a fixed one).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    void begin(const QString &instrument, StoppedHandler stopped = {}) override;
    void append(const QList<QByteArray> &entries, qsizetype first) override;
    void finish(ReceiveEnd end, const QByteArray &assembledText) override;
    std::optional<Kept> kept() override { return m_kept; }
    void abandon() override;
    // After abandon(): the copy that holds the lines that came: the unfinished
    // .part, or what an end already under way kept, which this waits for
    // (empty when none came).
    QString abandonedCopy();

private:
    // On the writer thread: picks the download's name and makes its .part.
    sys::Status makePart(const QDateTime &start, QString *path, int *fd);
    // On the writer thread: the copy stopped; told on this object's thread.
    void copyStopped(qint64 linesKept, const sys::Status &failure);
    void tellStopped(quint64 download);
    // On the ending thread: the finished file, or the .part kept as it is.
    Kept endCopy(ReceiveEnd end, const QByteArray &assembledText);
    Kept keepIncomplete(ReceiveEnd end, const QString &problem);
    // On this object's thread, once the ending thread is done.
    void ended(quint64 download);
    void waitForEnd();

    QString m_folder;
    std::function<QDateTime()> m_clock;
    QString m_instrument;
    QString m_baseName;      // written by the writer thread, read after it ended
    QString m_stopReason;    // likewise
    StoppedHandler m_stopped;
    quint64 m_download = 0;  // counts begin(): a stop told late belongs to its download only
    QString m_abandonedCopy;
    AppendFile m_file;
    std::thread m_ending;           // runs endCopy()
    Kept m_ended;                   // written by the ending thread, read after it ended
    std::optional<Kept> m_kept;
};
