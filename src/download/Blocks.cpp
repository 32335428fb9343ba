#include "Blocks.h"

using namespace Qt::StringLiterals;

QList<QByteArray> cutBlocks(const QList<QByteArray> &entries)
{
    static constexpr QByteArrayView closingLine("____________________");
    static constexpr QByteArrayView lineEnd("\r\n");
    QList<QByteArray> blocks;
    QByteArray block;
    // A run of underscores cannot reach across the CR LF between two entries,
    // so looking at each new entry alone finds what a search of the whole
    // block would find, without scanning long blocks again and again.
    for (const QByteArray &entry : entries) {
        block.append(entry);
        block.append(lineEnd);
        if (entry.contains(closingLine)) {
            blocks.append(block);
            block.clear();
        }
    }
    return blocks;
}

QString blockFileName(const QString &chosenName, qsizetype number)
{
    return chosenName + u'(' + QString::number(number) + u")"_s + u".mes"_s;
}
