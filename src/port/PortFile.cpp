#include "PortFile.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A port number is a few characters; reading further into a damaged file
// would only cost time.
constexpr qsizetype kNumberScanLimit = 1024;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

qsizetype lineEnd(const QByteArray &content, qsizetype from)
{
    qsizetype i = from;
    while (i < content.size() && content.at(i) != '\r' && content.at(i) != '\n')
        ++i;
    return i;
}

} // namespace

QString portNumberFromFirstLine(const QByteArray &line)
{
    const qsizetype end = std::min(line.size(), kNumberScanLimit);
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < end && isBlank(line.at(i)))
            ++i;
    };

    skipBlanks();
    bool negative = false;
    if (i < end && (line.at(i) == '-' || line.at(i) == '+')) {
        negative = line.at(i) == '-';
        ++i;
    }
    QByteArray whole;
    QByteArray fraction;
    bool inFraction = false;
    for (;;) {
        skipBlanks();
        if (i >= end)
            break;
        const char c = line.at(i);
        if (isDigit(c)) {
            (inFraction ? fraction : whole).append(c);
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
        ++i;
    }

    qsizetype lead = 0;
    while (lead < whole.size() && whole.at(lead) == '0')
        ++lead;
    whole.remove(0, lead);
    while (!fraction.isEmpty() && fraction.endsWith('0'))
        fraction.chop(1);

    if (whole.isEmpty() && fraction.isEmpty())
        return u"0"_s;
    QByteArray text = negative ? "-"_ba : QByteArray();
    text += whole.isEmpty() ? "0"_ba : whole;
    if (!fraction.isEmpty())
        text += '.' + fraction;
    return QString::fromLatin1(text);
}

std::optional<QByteArray> firstLine(const QByteArray &content)
{
    if (content.isEmpty())
        return std::nullopt;
    return content.left(lineEnd(content, 0));
}

QString lastNonEmptyLine(const QByteArray &content)
{
    QByteArray last;
    qsizetype i = 0;
    while (i < content.size()) {
        const qsizetype end = lineEnd(content, i);
        if (end > i)
            last = content.mid(i, end - i);
        i = end;
        if (i < content.size() && content.at(i) == '\r') {
            ++i;
            if (i < content.size() && content.at(i) == '\n')
                ++i;
        } else if (i < content.size()) {
            ++i;
        }
    }
    return QString::fromLatin1(last);
}

QByteArray formatPortFile(int port)
{
    const QByteArray digits = QByteArray::number(port);
    return (port < 0 ? digits : ' ' + digits) + "\r\n"_ba;
}

SmallFile readPortFile(const QString &path)
{
    return readSmallFile(path, kPortFileLimit);
}

QString portFilePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(u"Port.txt"_s);
}

std::optional<QByteArray> readFirstLine(const QString &path, QString *error)
{
    const SmallFile file = readPortFile(path);
    if (!file.read) {
        *error = file.reason;
        return std::nullopt;
    }
    std::optional<QByteArray> line = firstLine(file.bytes);
    if (!line)
        *error = u"The file is empty."_s;
    return line;
}

std::optional<QString> readComPortNumber(const QString &path, QString *error)
{
    if (const std::optional<QByteArray> line = readFirstLine(path, error))
        return portNumberFromFirstLine(*line);
    return std::nullopt;
}
