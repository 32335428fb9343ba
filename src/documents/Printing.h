// Puts lines of text on a printer with its default font and page size,
// going on to a new page when a page is full.
#pragma once

#include <QByteArray>
#include <QList>

class QPrinter;

// Lines are 8-bit text (Latin-1). False when the print job could not be
// started or the printer reported an error.
bool printLines(QPrinter &printer, const QList<QByteArray> &lines);
