// What the download history holds: its downloads newest first with their
// lines, size and ending, and the downloads whose program ended during them.
#pragma once

#include "HistoryNames.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>

struct HistoryItem
{
    QString path;
    QDateTime start;
    QString instrument;
    HistoryEnding ending = HistoryEnding::Complete;
    qint64 lines = 0;   // the lines Open puts in the list
    qint64 size = 0;    // bytes
};

// The lines Open makes of these bytes: non-empty lines ending at CR or CR LF
// (a LF without a CR belongs to its line), read in pieces.
qint64 countOpenedLines(QIODevice &device);

// The downloads in the folder, newest first. A .mes.part is Running while a
// program holds it and Interrupted otherwise.
QList<HistoryItem> listHistory(const QString &folder);

// Gives every .mes.part that no program holds its name as an interrupted
// download and returns those downloads, newest first: each is reported once.
QList<HistoryItem> claimInterrupted(const QString &folder);
