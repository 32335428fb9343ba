#include "Printing.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QString>

#include <algorithm>

namespace {

// Lines that fit from the top of a page down to its bottom; the first line
// of a page is printed even when the page is too small for it.
qsizetype linesPerPage(qreal pageHeight, const QFontMetricsF &metrics)
{
    const qreal room = pageHeight - metrics.ascent() - metrics.descent();
    return room < 0 ? 1 : 1 + qsizetype(room / metrics.lineSpacing());
}

bool chosen(const QPrinter &printer, int page)
{
    return printer.printRange() != QPrinter::PageRange || printer.pageRanges().isEmpty()
        || printer.pageRanges().contains(page);
}

} // namespace

PrintResult printLines(QPrinter &printer, const QList<QByteArray> &lines)
{
    // The font a painter starts with on this printer: the printer's default.
    const QFontMetricsF metrics(QFont(), &printer);
    const qsizetype perPage = linesPerPage(printer.height(), metrics);
    const int pageCount = int(std::max<qsizetype>(1, (lines.size() + perPage - 1) / perPage));
    QList<int> pages;
    for (int page = 1; page <= pageCount; ++page) {
        if (chosen(printer, page))
            pages.append(page);
    }
    if (pages.isEmpty())
        return {PrintResult::NoChosenPage, pageCount};

    QPainter painter;
    if (!painter.begin(&printer))
        return {PrintResult::Failed, pageCount};
    for (int page : std::as_const(pages)) {
        if (page != pages.first() && !printer.newPage()) {
            painter.end();
            return {PrintResult::Failed, pageCount};
        }
        qreal baseline = metrics.ascent();
        const qsizetype end = std::min(lines.size(), page * perPage);
        for (qsizetype i = (page - 1) * perPage; i < end; ++i) {
            painter.drawText(QPointF(0, baseline), QString::fromLatin1(lines.at(i)));
            baseline += metrics.lineSpacing();
        }
    }
    const bool printed = painter.end() && printer.printerState() != QPrinter::Error;
    return {printed ? PrintResult::Printed : PrintResult::Failed, pageCount};
}
