#include "ReceivedText.h"

QByteArray assembleReceivedText(const QList<QByteArray> &entries)
{
    if (entries.isEmpty())
        return {};
    static constexpr QByteArrayView lineEnd("\r\n");
    qsizetype size = lineEnd.size();
    for (const QByteArray &entry : entries)
        size += entry.size() + lineEnd.size();
    QByteArray text;
    text.reserve(size);
    for (const QByteArray &entry : entries) {
        text.append(entry);
        text.append(lineEnd);
    }
    // The closing empty line that saved files and block files have always had.
    text.append(lineEnd);
    return text;
}
