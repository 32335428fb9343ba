// The lines of a printed data page: four lines of one blank, then the
// received text with each line end starting a new line.
#pragma once

#include <QByteArray>
#include <QList>

// The text is printed followed by one more line end. CR LF, and a CR or LF
// on its own, each start a new line; only a lone CR or LF right before an
// entry's closing CR LF is the leftover of the instrument's record end (the
// CR of radio entries) and prints nothing.
QList<QByteArray> printedLines(const QByteArray &receiveBuffer);
