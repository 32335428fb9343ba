// What a download tells the copy it keeps of itself while it runs: the
// instrument, every batch of entries as they reach the list, and how it ended.
// The download history implements it; a host without one returns none.
#pragma once

#include "ReceiveLines.h"

#include <QByteArray>
#include <QList>
#include <QString>

class DownloadJournal
{
public:
    virtual ~DownloadJournal() = default;

    // Reception into an empty list begins for the instrument named as its menu entry names it.
    virtual void begin(const QString &instrument) = 0;
    // The list grew: entries from index `first` on are new.
    virtual void append(const QList<QByteArray> &entries, qsizetype first) = 0;
    // Reception ended this way; assembledText is the list's received text
    // (what Save writes, less its closing CR LF).
    virtual void finish(ReceiveEnd end, const QByteArray &assembledText) = 0;
    // The download was abandoned (the program is ending): what was written stays
    // as an unfinished copy.
    virtual void abandon() = 0;
    // Why the copy of the download that just ended could not be kept; empty
    // when it was kept or nothing was received. Cleared by the call.
    virtual QString takeFailure() = 0;
};
