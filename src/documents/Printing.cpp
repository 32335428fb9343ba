#include "Printing.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QString>

bool printLines(QPrinter &printer, const QList<QByteArray> &lines)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;

    const QFontMetricsF metrics = painter.fontMetrics();
    const qreal pageHeight = printer.height();
    qreal baseline = metrics.ascent();
    bool pageEmpty = true;
    for (const QByteArray &line : lines) {
        if (!pageEmpty && baseline + metrics.descent() > pageHeight) {
            if (!printer.newPage()) {
                painter.end();
                return false;
            }
            baseline = metrics.ascent();
        }
        painter.drawText(QPointF(0, baseline), QString::fromLatin1(line));
        baseline += metrics.lineSpacing();
        pageEmpty = false;
    }
    return painter.end() && printer.printerState() != QPrinter::Error;
}
