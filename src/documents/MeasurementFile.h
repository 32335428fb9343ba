// The measurement data file (.mes): the bytes Save writes and the entries
// Open makes of a file's bytes. Plain rules, no files or widgets involved.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>

// What Save puts in a file, in the parts it is written in: the assembled
// received text and one more CR LF (two parts, so a text of hundreds of
// megabytes is not copied once more).
QByteArrayList measurementFileContent(const QByteArray &assembledText);

// One entry per non-empty line of the file, from its first line on. A line
// ends at CR or CR LF; a LF without a CR before it belongs to the line, and
// the last line needs no line end. The entries share the file's bytes instead
// of copying them, so a file of millions of lines costs little beyond its size.
QList<QByteArray> measurementFileEntries(QByteArray fileBytes);
