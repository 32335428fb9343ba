#include "PrintedText.h"

using namespace Qt::StringLiterals;

QList<QByteArray> printedLines(const QByteArray &receiveBuffer)
{
    QList<QByteArray> lines(4, " "_ba);
    const QByteArray text = receiveBuffer + "\r\n"_ba;
    qsizetype start = 0;
    // The text always ends with CR LF, so every entry is closed by one.
    for (qsizetype end; (end = text.indexOf("\r\n", start)) >= 0; start = end + 2) {
        QByteArrayView entry(text.constData() + start, end - start);
        if (entry.endsWith('\r') || entry.endsWith('\n'))
            entry.chop(1);
        qsizetype from = 0;
        for (qsizetype i = 0; i < entry.size(); ++i) {
            if (entry[i] == '\r' || entry[i] == '\n') {
                lines.append(entry.sliced(from, i - from).toByteArray());
                from = i + 1;
            }
        }
        lines.append(entry.sliced(from).toByteArray());
    }
    return lines;
}
