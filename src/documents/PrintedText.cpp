#include "PrintedText.h"

using namespace Qt::StringLiterals;

QList<QByteArray> printedLines(const QByteArray &receiveBuffer)
{
    QList<QByteArray> lines(4, " "_ba);
    const QByteArray text = receiveBuffer + "\r\n"_ba;
    qsizetype start = 0;
    // The text always ends with CR LF, so every line is closed by one.
    for (qsizetype end; (end = text.indexOf("\r\n", start)) >= 0; start = end + 2) {
        QByteArray line = text.mid(start, end - start);
        line.removeIf([](char c) { return c == '\r' || c == '\n'; });
        lines.append(line);
    }
    return lines;
}
