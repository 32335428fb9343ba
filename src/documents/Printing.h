// Puts lines of text on a printer with its default font and page size,
// going on to a new page when a page is full, and printing only the pages
// the print dialog asked for.
#pragma once

#include <QByteArray>
#include <QList>

class QPrinter;

struct PrintResult
{
    enum Outcome {
        Printed,
        NoChosenPage,   // the chosen page range starts after the last page; nothing printed
        Failed,         // the job could not be started, or the printer reported an error
    };
    Outcome outcome;
    int pageCount;      // pages the whole text fills
};

// Lines are 8-bit text (Latin-1).
PrintResult printLines(QPrinter &printer, const QList<QByteArray> &lines);
