// Reads the history for its window on a thread of its own: first the
// listing, its first rows at once, then the lines of every download in row order, taken from the
// count store where a file has not changed since it was counted. Counts
// arrive in batches at most every 100 ms, so a history of years neither
// holds the window nor floods it.
#pragma once

#include "HistoryListing.h"

#include <QList>
#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

class HistoryReader : public QObject
{
    Q_OBJECT
public:
    explicit HistoryReader(QObject *parent = nullptr);
    ~HistoryReader() override;

    // Reads the folder, after stopping any earlier reading, whose signals
    // still on their way are dropped.
    void start(const QString &folder);
    // Returns once the thread has ended; it looks for the request between two
    // files and within a file every 64 KB. The count store is written at the
    // end of a reading, and every 10 s during a long one.
    void stop();

Q_SIGNALS:
    // The next downloads, newest first, to go below those listed before:
    // the first few at once, the rest in batches.
    void listed(const QList<HistoryItem> &items);
    // Every download is listed; the counts follow.
    void listingDone();
    // The lines of the rows from firstRow on, in row order; -1 for a file
    // that cannot be read.
    void counted(int firstRow, const QList<qint64> &lines);

private:
    void read(const QString &folder, int reading);
    // The downloads of the folder, handed on in batches; empty when asked to stop.
    QList<HistoryItem> list(const QString &folder, int reading);
    // Hands `signal` to the window's thread, unless a later reading began meanwhile.
    void post(int reading, std::function<void(HistoryReader *)> signal);

    std::unique_ptr<QThread> m_thread;
    int m_reading = 0;
};
