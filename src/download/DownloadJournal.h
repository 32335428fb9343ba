// What a download tells the copy it keeps of itself while it runs: the
// instrument, every batch of entries as they reach the list, and how it ended.
// The download history implements it; a host without one returns none.
#pragma once

#include "ReceiveLines.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class DownloadJournal
{
public:
    // What became of the copy when the download ended.
    struct Kept
    {
        QString path;     // the file kept; empty when none was kept
        QString problem;  // why there is none, or why it is incomplete; empty when all is well
    };
    // Told once, at once, when the copy stops during the download (a full
    // disk, a failed sync): the download goes on, the reason says why.
    using StoppedHandler = std::function<void(const QString &reason)>;

    virtual ~DownloadJournal() = default;

    // Reception into an empty list begins for the instrument named as its menu
    // entry names it. stopped is called on the download's thread, while the
    // download lets events run.
    virtual void begin(const QString &instrument, StoppedHandler stopped) = 0;
    // The list grew: entries from index `first` on are new.
    virtual void append(const QList<QByteArray> &entries, qsizetype first) = 0;
    // Reception ended this way; assembledText is the list's received text
    // (what Save writes, less its closing CR LF). Returns at once: the copy's
    // last writes take as long as the disk does, which may stall for seconds.
    // Nothing is kept when no entry came.
    virtual void finish(ReceiveEnd end, const QByteArray &assembledText) = 0;
    // After finish(): what became of the copy; nullopt while its last writes
    // run. It becomes known on the download's thread, with an event that ends
    // the host's wait for events.
    virtual std::optional<Kept> kept() = 0;
    // The download was abandoned (the program is ending): what was written stays
    // as an unfinished copy; an end begun with finish() is carried through.
    virtual void abandon() = 0;
};
