// The lines of a printed data page: four lines of one blank, then the
// received text with each CR LF starting a new line.
#pragma once

#include <QByteArray>
#include <QList>

// The text is printed followed by one more line end. A CR or LF that is not
// part of a CR LF pair is a leftover of the instrument's record end: it does
// not start a line and is not printed.
QList<QByteArray> printedLines(const QByteArray &receiveBuffer);
