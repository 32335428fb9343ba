// The measurement data file (.mes): the bytes Save writes and the entries
// Open makes of a file's bytes. Plain rules, no files or widgets involved.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// Writes what Save puts in a file: the assembled received text and one more
// CR LF. False when not every byte was written.
bool writeMeasurementFile(QIODevice &device, const QByteArray &assembledText);

// One entry per non-empty line of the file, from its first line on. A line
// ends at CR or CR LF; a LF without a CR before it belongs to the line, and
// the last line needs no line end. The entries share the file's bytes instead
// of copying them, so a file of millions of lines costs little beyond its size.
QList<QByteArray> measurementFileEntries(QByteArray fileBytes);
