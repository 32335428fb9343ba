// How the download history names its files: start time, instrument and how the
// download ended, readable in a file manager and safe on any file system.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

enum class HistoryEnding { Complete, StoppedByEsc, ConnectionLost, Interrupted, Running };

// The instrument name with every character a file system may refuse
// (/ \ : * ? " < > | and control characters) replaced by '-'.
QString fileSafeName(const QString &name);

// "2026-12-07 14-03-22 DURAMO 5-10-20 ST", and " (n)" behind it for the n-th
// download of the same instrument within the same second (n >= 2).
QString journalBaseName(const QDateTime &start, const QString &instrument, int n = 1);

// The file of a download that is still being written.
QString runningFileName(const QString &baseName);
// The file of a download that ended this way (not Running); incompleteCopy:
// the copy stopped during the download (a full disk) and holds only its
// first lines: "B (stopped by ESC, incomplete copy).mes".
QString finishedFileName(const QString &baseName, HistoryEnding ending, bool incompleteCopy = false);

struct HistoryName
{
    // The time the name gives, read as a plain timestamp (the wall-clock time
    // as written, Qt::UTC standing for "no zone"): a name made under another
    // zone, or at a time the local clock skips, is still read and shown as
    // named, and names sort by what they say.
    QDateTime start;
    QString instrument;   // as the data menu names it, where the file's part is one it knows
    QString baseName;
    bool running = false; // a .mes.part: running, or interrupted when nobody holds it
    HistoryEnding ending = HistoryEnding::Complete;
    bool incompleteCopy = false;
};

// What a file name of the history says; nullopt for files that are not downloads.
std::optional<HistoryName> parseHistoryName(const QString &fileName);

// How the listing shows an ending: "complete", "stopped by ESC", ..., and
// "stopped by ESC, incomplete copy" or "incomplete copy" (of a complete
// download) when only the copy's first lines could be kept.
QString endingText(HistoryEnding ending, bool incompleteCopy);
