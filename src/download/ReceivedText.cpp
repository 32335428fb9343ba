#include "ReceivedText.h"

QByteArray assembleReceivedText(const QList<QByteArray> &entries)
{
    if (entries.isEmpty())
        return {};
    static constexpr QByteArrayView lineEnd("\r\n");
    qsizetype size = lineEnd.size();
    for (qsizetype i = 1; i < entries.size(); ++i)
        size += entries.at(i).size() + lineEnd.size();
    QByteArray text;
    text.reserve(size);
    for (qsizetype i = 1; i < entries.size(); ++i) {
        text.append(entries.at(i));
        text.append(lineEnd);
    }
    // The index equal to the entry count reads as the empty entry.
    text.append(lineEnd);
    return text;
}
