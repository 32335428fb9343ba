// The blocks of the ORVIK, Varden and QF-2000 data: runs of list entries
// each closed by a line holding 20 underscores, and their numbered files.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Cuts the list into blocks: from entry 0 (the instrument's first line, which
// names the memory) or the entry after the previous block, up to and
// including one that holds a run of 20 underscores, each entry followed by
// CR LF. Entries after the last such entry belong to no block.
QList<QByteArray> cutBlocks(const QList<QByteArray> &entries);

// The file of block number (1, 2, ...) for the name the file dialog returned,
// used as it is, extension included: "probe" -> "probe(1).mes".
QString blockFileName(const QString &chosenName, qsizetype number);
