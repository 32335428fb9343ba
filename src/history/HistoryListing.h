// What the download history holds: its downloads newest first with their
// lines, size and ending, and the downloads whose program ended during them.
#pragma once

#include "HistoryNames.h"

#include <QDateTime>
#include <QDir>
#include <QIODevice>
#include <QList>
#include <QString>

struct HistoryItem
{
    QString path;
    QDateTime start;
    QString instrument;
    HistoryEnding ending = HistoryEnding::Complete;
    bool incompleteCopy = false;  // the copy stopped during the download (see endingText)
    qint64 lines = -1;  // the lines Open puts in the list; -1 until counted
    qint64 size = 0;    // bytes
};

// The lines Open makes of these bytes: non-empty lines ending at CR or CR LF
// (a LF without a CR belongs to its line), read in pieces. -1 when the thread
// it runs on is asked to stop (QThread::requestInterruption) meanwhile.
qint64 countOpenedLines(QIODevice &device);
// The same for a file; -1 also when it cannot be read.
qint64 countFileLines(const QString &path);

// The downloads in the folder, newest first, their lines not yet counted
// (counting reads every byte). A .mes.part is Running while a program holds
// it and Interrupted otherwise.
QList<HistoryItem> listHistory(const QString &folder);
// True when a finished file of the download `baseName` (any ending, complete
// copy or not) is in the folder.
bool finishedFileExists(const QDir &folder, const QString &baseName);
// The same in two steps, for a window that shows the first rows of a long
// history at once: the names of the folder's download files newest first
// (a name begins with its start), then the download of each name; nullopt
// for a file that is no download.
QStringList historyFileNames(const QString &folder);
std::optional<HistoryItem> historyItem(const QString &folder, const QString &fileName);

// Gives every .mes.part that no program holds its name as an interrupted
// download and returns those downloads with their lines, newest first: each
// is reported once. A .mes.part beside a finished file of its download is
// what a power cut left between the two steps of the download's end: it is
// removed, not reported.
QList<HistoryItem> claimInterrupted(const QString &folder);
