// Port.txt as any bytes: the first line, the number read from it, the port
// dialog's last line, and the number as the port-open step converts it.
#include "FuzzCheck.h"
#include "PortFile.h"
#include "PortNumber.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

bool isCanonicalNumber(const QString &text)
{
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    if (i >= text.size() || !text.at(i).isDigit())
        return false;
    if (text.at(i) == u'0' && i + 1 < text.size() && text.at(i + 1) != u'.')
        return false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text.at(i) == u'.' && !point)
            point = true;
        else if (text.at(i) < u'0' || text.at(i) > u'9')
            return false;
    }
    return !point || !text.endsWith(u'0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));

    const std::optional<QByteArray> line = firstLine(content);
    FUZZ_CHECK(line.has_value() == !content.isEmpty());
    if (line) {
        FUZZ_CHECK(content.startsWith(*line));
        FUZZ_CHECK(!line->contains('\r') && !line->contains('\n'));
        const QString number = portNumberFromFirstLine(*line);
        FUZZ_CHECK(isCanonicalNumber(number));
        const std::optional<qint16> port = portNumberFromText(number);
        if (port && *port >= 1 && *port <= 16)
            FUZZ_CHECK(!comDevicePath(*port, QStringLiteral("/nonexistent")).isEmpty());
    }

    const QString last = lastNonEmptyLine(content);
    FUZZ_CHECK(!last.contains(u'\r') && !last.contains(u'\n'));
    FUZZ_CHECK(last.isEmpty() || content.contains(last.toLatin1()));

    if (size >= 2) {
        const int stored = qint16(data[0] | (data[1] << 8));
        const QByteArray file = formatPortFile(stored);
        FUZZ_CHECK(portNumberFromFirstLine(*firstLine(file)) == QString::number(stored));
        FUZZ_CHECK(lastNonEmptyLine(file) == QString::fromLatin1(file.chopped(2)));
    }
    return 0;
}
